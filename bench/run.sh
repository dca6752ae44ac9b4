#!/usr/bin/env bash
# Whole-run benchmark of KORVO on generated networks:
#
#   bench/run.sh [SIZE...]          (default: 10000 100000 1000000 10000000)
#   RUNS=5 bench/run.sh 10000 100000
#   KORVO=/path/to/old/korvo bench/run.sh 10000   (time another build)
#   DBFDUMP=no bench/run.sh 10000000               (skip dbfdump: minutes at 10M)
#   EXTRA_PROFILE=$' CSVOUT\nN\n HTMLOUT\nN' bench/run.sh 1000000
#                                     (profile lines added to every scenario)
#   KORVO_THREADS=1 bench/run.sh 10000             (KORVO on one thread)
#
# For each size it generates a scenario for both link sources (dBASE and the
# binary loaded network) and both run types (validation and analysis), then,
# on the same files and in the same run, times:
#   - KORVO itself (wall time and peak resident memory, from /usr/bin/time);
#   - cat of the input network files to /dev/null: the I/O floor;
#   - shapelib's dbfdump of the dBASE file to /dev/null (dBASE scenarios).
# Each figure is the median of RUNS runs (default 3). On a machine that
# other work shares, wall time follows the load; the CPU seconds (user and
# system) of KORVO and of cat are given beside it. Files are read warm
# (the generator has just written them); each scenario is deleted once it has
# been measured. The ASCII side files are off, so that every size does the
# same work per link. On a shared or virtual machine timings vary from one
# minute to the next: compare two builds in the same session.
#
# Needs the "bench" preset (Release), GNU time (Debian package "time") and
# shapelib's dbfdump (Debian package "shapelib").
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000 10000000)
runs="${RUNS:-3}"
seed="${SEED:-1}"
scratch="${SCRATCH:-$root/scratch/bench}"

scripts/setup.sh time shapelib libbenchmark-dev >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench -j2 --target korvo korvo_generate >/dev/null
korvo="${KORVO:-$root/build/bench/korvo}"
generate="${GENERATE:-$root/build/bench/tools/korvo_generate}"
# shellcheck source=bench/lib.sh
. "$root/bench/lib.sh"

# Median wall time (ns) of RUNS runs of a command in a directory.
median_ns() {
  local dir="$1"
  shift
  local t=()
  for _ in $(seq "$runs"); do t+=("$(time_ns "$dir" "" "$@")"); done
  median "${t[@]}"
}

results=()
rm -rf "$scratch"
mkdir -p "$scratch"
echo "KORVO benchmark: sizes ${sizes[*]}, median of $runs runs, seed $seed"
# The dBASE records are converted in 64-byte registers where the processor
# has AVX-512 VBMI, in 32-byte ones where it has AVX2 (src/common/wide_fields.h),
# 16 bytes at a time elsewhere.
if grep -qw avx512vbmi /proc/cpuinfo 2>/dev/null; then
  wide="AVX-512 VBMI"
elif grep -qw avx2 /proc/cpuinfo 2>/dev/null; then
  wide=AVX2
else
  wide="16 bytes at a time"
fi
# KORVO takes KORVO_THREADS when it is 1, 2 or 3, else one thread per core up
# to three (a binary run uses two at most).
case "${KORVO_THREADS:-}" in
  1 | 2 | 3) threads=$KORVO_THREADS ;;
  *) threads=$(($(nproc) < 3 ? $(nproc) : 3)) ;;
esac
echo "(machine: $(nproc) cores; $(uname -r); dBASE records converted with: $wide; threads of a dBASE run: $threads)"
for size in "${sizes[@]}"; do
  for source in dbf binary; do
    for type in validation analysis; do
      dir="$scratch/$type-$source-$size"
      make_scenario "$size" "$type" "$source" "$seed" "$dir"
      bytes=$(cat "${inputs[@]}" | wc -c)
      # One run to warm the cache and check the run ends normally.
      (cd "$dir" && "$korvo" >console.txt 2>&1) || true
      if ! grep -q '^KORVO -- Normal Completion$' "$dir/console.txt"; then
        echo "KORVO did not complete normally on $dir:" >&2
        cat "$dir/console.txt" >&2
        exit 1
      fi
      k=()
      rss=()
      cpu=()
      for _ in $(seq "$runs"); do
        k+=("$(time_ns "$dir" "$dir/rss.txt" "$korvo")")
        rss+=("$(tail -1 "$dir/rss.txt" | awk '{ print $1 }')")
        cpu+=("$(tail -1 "$dir/rss.txt" | awk '{ printf "%.0f", ($2 + $3) * 1e9 }')")
      done
      korvo_ns=$(median "${k[@]}")
      rss_kib=$(median "${rss[@]}")
      korvo_cpu=$(median "${cpu[@]}")
      cat_ns=$(median_ns "$dir" cat "${inputs[@]}")
      cat_cpu=()
      for _ in $(seq "$runs"); do
        time_ns "$dir" "$dir/cat.txt" cat "${inputs[@]}" >/dev/null
        cat_cpu+=("$(tail -1 "$dir/cat.txt" | awk '{ printf "%.0f", ($2 + $3) * 1e9 }')")
      done
      cat_cpu_ns=$(median "${cat_cpu[@]}")
      dump_ns=""
      if [ "$source" = dbf ] && [ "${DBFDUMP:-yes}" != no ]; then
        dump_ns=$(median_ns "$dir" dbfdump "${inputs[0]}")
      fi
      results+=("$size $source $type $bytes $korvo_ns $cat_ns ${dump_ns:--} $rss_kib $korvo_cpu $cat_cpu_ns")
      rm -rf "$dir"
    done
  done
done

echo
printf '%10s %-7s %-10s %9s %9s %12s %8s %9s %9s %8s %9s %8s\n' \
  links source run "input MB" "KORVO s" "links/s" "x cat" "dbfdump s" "/dbfdump" "RSS MiB" "CPU s" "CPU xcat"
for r in "${results[@]}"; do
  # shellcheck disable=SC2086
  set -- $r
  awk -v n="$1" -v src="$2" -v t="$3" -v b="$4" -v k="$5" -v c="$6" -v d="$7" -v m="$8" -v kc="$9" -v cc="${10}" 'BEGIN {
    ks = k / 1e9
    dump = (d == "-") ? "-" : sprintf("%.3f", d / 1e9)
    frac = (d == "-") ? "-" : sprintf("%.3f", k / d)
    cpu_ratio = (cc > 0) ? sprintf("%.2f", kc / cc) : "-"
    printf "%10d %-7s %-10s %9.1f %9.3f %12.0f %8.2f %9s %9s %8.1f %9.3f %8s\n", n, src, t, b / 1e6, ks, n / ks, k / c, dump, frac, m / 1024, kc / 1e9, cpu_ratio
  }'
done
rm -rf "$scratch"

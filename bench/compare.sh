#!/usr/bin/env bash
# Two builds of KORVO timed against each other on the same generated
# scenarios, run by run in turn:
#
#   bench/compare.sh OLD_KORVO NEW_KORVO [SIZE]        (default 2000000 links)
#   RUNS=21 bench/compare.sh old/korvo build/bench/korvo 10000000
#   SOURCES=binary TYPES=validation bench/compare.sh old/korvo new/korvo
#   EXTRA_PROFILE=$' CSVOUT\nN\n HTMLOUT\nN' bench/compare.sh a/korvo b/korvo
#   NEW_ENV=KORVO_THREADS=1 bench/compare.sh build/bench/korvo build/bench/korvo
#   NEW_PROFILE=$' CSVOUT\nN\n HTMLOUT\nN' bench/compare.sh build/bench/korvo build/bench/korvo
#
# NEW_PROFILE holds profile lines for the new program's copy of each
# scenario only: with the same program as OLD and NEW, the last example
# times the runs with the table and the page against runs without them
# (NEW/OLD is then off over on). The two consoles are then not compared.
#
# On a shared or virtual machine a run can take half as long again as the
# one before it, for reasons outside the program, and such spells last
# seconds to minutes. Timing one build and then the other puts the two in
# different spells; taking them in turn, RUNS times (default 15), puts both
# in the same ones. For each scenario the script prints, for each build, the
# median, the first quartile and the fastest run (the slow spells only ever
# add time, so the fastest runs say most about the code), and `cat` of the
# input files, timed in the same rounds. It checks first that both builds
# end the scenario normally with the same console output.
#
# Needs the "bench" preset's generator (built here if missing).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

[ $# -ge 2 ] || {
  sed -n '2,9p' "$0" >&2
  exit 2
}
old="$(realpath "$1")"
new="$(realpath "$2")"
size="${3:-2000000}"
runs="${RUNS:-15}"
seed="${SEED:-1}"
scratch="${SCRATCH:-$root/scratch/compare}"
generate="${GENERATE:-$root/build/bench/tools/korvo_generate}"
# shellcheck source=bench/lib.sh
. "$root/bench/lib.sh"
read -r -a new_env <<<"${NEW_ENV:-}"
if [ ! -x "$generate" ]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench -j2 --target korvo_generate >/dev/null
fi

# stats NS...: "median q1 fastest" of a list of nanoseconds, in milliseconds.
stats() {
  printf '%s\n' "$@" | sort -n |
    awk '{ v[NR] = $1 / 1e6 } END { printf "%d %d %d", v[int((NR + 1) / 2)], v[int((NR + 3) / 4)], v[1] }'
}

rm -rf "$scratch"
mkdir -p "$scratch"
echo "KORVO compare: $size links, $runs runs each in turn, seed $seed"
echo "OLD $old"
echo "NEW $new${NEW_ENV:+ ($NEW_ENV)}${NEW_PROFILE:+ (profile lines: $(printf '%s' "$NEW_PROFILE" | tr '\n' ' '))}"
printf '%-19s %8s %8s %8s   %8s %8s %8s   %6s %7s\n' scenario "OLD med" q1 fastest "NEW med" q1 fastest "cat" "NEW/OLD"
for source in ${SOURCES:-dbf binary}; do
  for type in ${TYPES:-validation analysis}; do
    dir="$scratch/$type-$source"
    make_scenario "$size" "$type" "$source" "$seed" "$dir"
    # The new program's copy: the same input files, its own profile.
    new_dir="$dir"
    if [ -n "${NEW_PROFILE:-}" ]; then
      new_dir="$dir-new"
      mkdir -p "$new_dir"
      for f in "$dir"/*; do ln -s "$f" "$new_dir/$(basename "$f")"; done
      rm "$new_dir/PROFILE.MAS"
      { cat "$dir/PROFILE.MAS"; printf '%s\n' "$NEW_PROFILE"; } >"$new_dir/PROFILE.MAS"
    fi
    # One run of each to warm the cache and check they agree.
    (cd "$dir" && "$old" >"$scratch/old.txt" 2>&1) || true
    (cd "$new_dir" && env "${new_env[@]}" "$new" >"$scratch/new.txt" 2>&1) || true
    if ! grep -q '^KORVO -- Normal Completion$' "$scratch/old.txt" ||
      ! grep -q '^KORVO -- Normal Completion$' "$scratch/new.txt" ||
      { [ -z "${NEW_PROFILE:-}" ] && ! cmp -s "$scratch/old.txt" "$scratch/new.txt"; }; then
      echo "$type-$source: the two builds do not both end normally with the same console output:" >&2
      diff "$scratch/old.txt" "$scratch/new.txt" >&2 || true
      exit 1
    fi
    o=() n=() c=()
    for _ in $(seq "$runs"); do
      o+=("$(time_ns "$dir" "" "$old")")
      n+=("$(time_ns "$new_dir" "" env "${new_env[@]}" "$new")")
      c+=("$(time_ns "$dir" "" cat "${inputs[@]}")")
    done
    read -r om oq of <<<"$(stats "${o[@]}")"
    read -r nm nq nf <<<"$(stats "${n[@]}")"
    read -r cm _ _ <<<"$(stats "${c[@]}")"
    awk -v s="$type-$source" -v om="$om" -v oq="$oq" -v of="$of" -v nm="$nm" -v nq="$nq" -v nf="$nf" -v cm="$cm" \
      'BEGIN { printf "%-19s %8d %8d %8d   %8d %8d %8d   %6d %7.3f\n", s, om, oq, of, nm, nq, nf, cm, nm / om }'
    rm -rf "$dir" "$dir-new"
  done
done
echo "(milliseconds; NEW/OLD is the ratio of the medians)"
rm -rf "$scratch"

#!/usr/bin/env bash
# Runs two builds of KORVO on the same generated scenarios and compares every
# file they leave, their console output and their exit status, byte for byte:
#
#   tools/compare-runs.sh OLD_KORVO NEW_KORVO GENERATOR COUNT [SCRATCH]
#
# Scenario i (1..COUNT) is deterministic: its size, run type, link source,
# generator options and seed follow from i, and one change of the inputs
# from a fixed list is applied to it (a keyword added to the profile, a side
# file removed, a network file cut short or damaged...), so that error paths
# are compared as well as normal runs. Both programs run under a frozen
# clock (faketime), so the report dates agree.
#
# Extra profile lines for every scenario can be given in EXTRA_PROFILE (for
# example EXTRA_PROFILE=$' CSVOUT\nN' to compare a run with an output turned
# off against one without the keyword). NEW_ENV is an environment assignment
# made for the new program only (for example NEW_ENV=KORVO_THREADS=1).
# NEW_PROFILE holds profile lines for the new program's copy only (for
# example NEW_PROFILE=$' HTMLOUT\nN' with the same program as OLD and NEW
# compares runs with the page on against runs with it off; the profiles
# themselves are then not compared).
# EXCLUDE is a blank-separated list of file name patterns left out of the
# comparison (for example EXCLUDE='KV*.CSV' when only the new program writes
# those files).
#
# Prints one line per difference and a summary; exits 1 when any scenario
# differs. Scenario directories are deleted unless KEEP=1.
set -euo pipefail

if [ $# -lt 4 ]; then
  sed -n '2,27p' "$0"
  exit 2
fi
old="$(realpath "$1")"
new="$(realpath "$2")"
generate="$(realpath "$3")"
count="$4"
scratch="${5:-${TMPDIR:-/tmp}/korvo-compare}"
clock="2026-07-04 09:05:07"
command -v faketime >/dev/null || { echo "compare-runs: needs faketime (Debian package faketime)" >&2; exit 2; }

sizes=(1 2 7 40 90 300 1000 5000 20000 70000)
mutations=(none gencost gls nolabels notitle korvol1 truncate damage norates badlabel
           switchtype twowayoff nodbctl emptyprofile asciioff)

add_profile() { printf ' %s\n%s\n' "$2" "$3" >>"$1/PROFILE.MAS"; }

network_file() {
  local dir="$1" f
  for f in "$dir"/NET*.DBF "$dir"/HRLDXY.[0-9A-Z][0-9A-Z][0-9A-Z]; do
    [ -f "$f" ] && [ "$(basename "$f")" != HRLDXY.ASC ] && { echo "$f"; return; }
  done
}

mutate() {
  local dir="$1" what="$2" net size
  net="$(network_file "$dir")"
  case "$what" in
    none) ;;
    gencost) add_profile "$dir" GENCOST Y ;;
    gls) add_profile "$dir" GLS 1 ;;
    nolabels) rm -f "$dir/KVLABELS.SYN" ;;
    notitle) rm -f "$dir/TITLE" "$dir/KVSCREEN.SYN" ;;
    korvol1) add_profile "$dir" KORVOL 1 ;;
    truncate)
      size=$(stat -c %s "$net")
      truncate -s $((size * 3 / 5)) "$net" ;;
    damage)
      size=$(stat -c %s "$net")
      printf 'X' | dd of="$net" bs=1 seek=$((size / 2)) conv=notrunc status=none ;;
    norates) rm -f "$dir/KVRATES.SYN" ;;
    badlabel) [ -f "$dir/KVLABELS.SYN" ] && printf 'LABEL XX  1  1  1 Bad      Bad kind\n' >>"$dir/KVLABELS.SYN" ;;
    switchtype)
      if grep -q '^ VALIDATE' "$dir/PROFILE.MAS"; then add_profile "$dir" ANALYSIS Y; else add_profile "$dir" VALIDATE Y; fi ;;
    twowayoff) add_profile "$dir" TWOWAY N ;;
    nodbctl) rm -f "$dir/DATABASE.CTL" ;;
    emptyprofile) : >"$dir/PROFILE.MAS" ;;
    asciioff) add_profile "$dir" ASCII N ;;
  esac
}

run_one() {
  local program="$1" dir="$2" env_assign="${3:-}" status=0
  if [ -n "$env_assign" ]; then
    (cd "$dir" && env "$env_assign" faketime -f "$clock" "$program" </dev/null >console.txt 2>&1) || status=$?
  else
    (cd "$dir" && faketime -f "$clock" "$program" </dev/null >console.txt 2>&1) || status=$?
  fi
  echo "$status" >"$dir/exit-status.txt"
}

rm -rf "$scratch"
mkdir -p "$scratch"
differ=0
declare -A kinds=()
for i in $(seq 1 "$count"); do
  # Bits of a hash of i choose the source, the run type and the options, so
  # that they do not run in step with the size and the change made.
  h=$(((i * 2654435761) % 4294967296))
  size=${sizes[$(((i - 1) % ${#sizes[@]}))]}
  type=validation
  [ $(((h >> 7) & 1)) -eq 1 ] && type=analysis
  source=dbf
  [ $(((h >> 11) & 1)) -eq 1 ] && source=binary
  opts=()
  [ $(((h >> 15) % 3)) -eq 0 ] && opts+=(--no-ascii)
  [ $(((h >> 19) % 4)) -eq 0 ] && [ "$size" -le 20000 ] && opts+=(--aux-dbf)
  mutation=${mutations[$((((i - 1) / ${#sizes[@]} + h) % ${#mutations[@]}))]}
  base="$scratch/$i"
  "$generate" "$size" "$type" "$source" "$((1000 + i))" "$base/input" "${opts[@]}" >/dev/null
  mutate "$base/input" "$mutation"
  [ -n "${EXTRA_PROFILE:-}" ] && printf '%s\n' "$EXTRA_PROFILE" >>"$base/input/PROFILE.MAS"
  cp -r "$base/input" "$base/old"
  cp -r "$base/input" "$base/new"
  [ -n "${NEW_PROFILE:-}" ] && printf '%s\n' "$NEW_PROFILE" >>"$base/new/PROFILE.MAS"
  run_one "$old" "$base/old"
  run_one "$new" "$base/new" "${NEW_ENV:-}"
  label="scenario $i ($size links, $type, $source ${opts[*]:-}, $mutation)"
  excludes=()
  for pattern in ${EXCLUDE:-}; do excludes+=(-x "$pattern"); done
  # The profiles differ by NEW_PROFILE's lines, on purpose.
  [ -n "${NEW_PROFILE:-}" ] && excludes+=(-x PROFILE.MAS)
  if diff -r "${excludes[@]}" "$base/old" "$base/new" >"$base/diff.txt" 2>&1; then
    kinds["$type-$source"]=$((${kinds["$type-$source"]:-0} + 1))
    [ "${KEEP:-0}" = 1 ] || rm -rf "$base"
  else
    differ=$((differ + 1))
    echo "DIFFERS: $label"
    head -5 "$base/diff.txt" | sed 's/^/    /'
  fi
done
echo "compared $count scenarios: $((count - differ)) identical, $differ differ"
for k in "${!kinds[@]}"; do echo "  identical $k: ${kinds[$k]}"; done
[ "$differ" -eq 0 ]

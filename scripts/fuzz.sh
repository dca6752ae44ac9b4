#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset: clang with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs them one after the other:
#   scripts/fuzz.sh [seconds per target] [target...]   (default: 30, every target)
# KORVO_FUZZ_RUNS=N stops each target after N executions (or the time,
# whichever comes first).
#   scripts/fuzz.sh seeds    rewrites the seed corpora fuzz/corpus/ with
#                            korvo_fuzz_seeds (default preset)
# Each target starts from its seed corpus fuzz/corpus/<target>/ in a scratch
# copy under build/fuzz/work/<target>/, so the seeds stay as they are. A crash,
# a hang, a leak or a sanitizer report stops the script with a non-zero status;
# the input that caused it is left in build/fuzz/work/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "seeds" ]; then
  scripts/setup.sh
  cmake --preset default >/dev/null
  cmake --build --preset default -j2 --target korvo_fuzz_seeds
  rm -rf fuzz/corpus
  build/default/fuzz/korvo_fuzz_seeds fuzz/corpus examples
  exit 0
fi

seconds="${1:-30}"
shift || true

scripts/setup.sh clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do
    name="$(basename "$source" .cpp)"
    targets+=("${name%_fuzz}")
  done
fi

root="$PWD"
for target in "${targets[@]}"; do
  work="$root/build/fuzz/work/$target"
  rm -rf "$work"
  mkdir -p "$work/corpus"
  if [ -d "fuzz/corpus/$target" ]; then cp -r "fuzz/corpus/$target/." "$work/corpus/"; fi
  echo "== fuzz $target: ${seconds} s from $(ls "$work/corpus" | wc -l) seeds"
  status=0
  runs=()
  if [ -n "${KORVO_FUZZ_RUNS:-}" ]; then runs=(-runs="$KORVO_FUZZ_RUNS"); fi
  (cd "$work" && "$root/build/fuzz/fuzz/${target}_fuzzer" corpus -max_total_time="$seconds" -timeout=10 \
     -rss_limit_mb=2048 -print_final_stats=1 "${runs[@]}" >fuzz.log 2>&1) || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$work/fuzz.log"
    echo "== fuzz $target FAILED (status $status); inputs in $work"
    exit 1
  fi
  grep -E '^(Done [0-9]+ runs|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb|stat::new_units_added)' \
    "$work/fuzz.log" | sed "s/^/   $target: /"
done

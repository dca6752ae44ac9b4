#!/usr/bin/env bash
# Checks the C++ sources of the whole tree against .clang-format and
# .clang-tidy (the checks listed there):
#
#   scripts/check-style.sh [format|tidy]   (default: both)
#
# Formatting: every tracked .cpp and .h file must be as clang-format writes
# it (`clang-format -i FILE` fixes one). Tidy: every tracked .cpp file that
# the build compiles, with the ci preset's flags (configured in build/tidy).
# Exits 1 when a file differs or a check fires.
set -euo pipefail
cd "$(dirname "$0")/.."
what="${1:-both}"
scripts/setup.sh clang-format clang-tidy >/dev/null

mapfile -t files < <(git ls-files '*.cpp' '*.h')
status=0

if [ "$what" = both ] || [ "$what" = format ]; then
  echo "== clang-format: ${#files[@]} files"
  if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "check-style: files differ from .clang-format (clang-format -i FILE fixes them)" >&2
    status=1
  fi
fi

if [ "$what" = both ] || [ "$what" = tidy ]; then
  # A configuration of its own: the ci preset without the unity build, so
  # that every source has its own entry in compile_commands.json.
  cmake --preset ci -B build/tidy -DKORVO_TEST_UNITY=OFF >/dev/null
  mapfile -t units < <(python3 -c '
import json, os, sys
known = {os.path.realpath(e["file"]) for e in json.load(open("build/tidy/compile_commands.json"))}
for f in sys.argv[1:]:
    if os.path.realpath(f) in known: print(os.path.realpath(f))
' $(git ls-files '*.cpp'))
  echo "== clang-tidy: ${#units[@]} translation units"
  runner="$(command -v run-clang-tidy || command -v run-clang-tidy-14)"
  if ! "$runner" -quiet -p build/tidy -j "$(nproc)" "${units[@]}" >build/tidy/clang-tidy.log 2>&1; then
    grep -E "(warning|error):" build/tidy/clang-tidy.log | sort -u >&2 || cat build/tidy/clang-tidy.log >&2
    echo "check-style: clang-tidy found the problems above (the whole log: build/tidy/clang-tidy.log)" >&2
    status=1
  fi
fi
exit "$status"

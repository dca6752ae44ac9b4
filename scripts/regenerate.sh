#!/usr/bin/env bash
# Rewrites the expected files of the golden cases (tests/golden/<case>/expected)
# and of the examples (examples/<example>/expected) from what the program
# writes now:
#
#   scripts/regenerate.sh                    both
#   scripts/regenerate.sh goldens [FILTER]   the golden cases only (FILTER: a
#                                            gtest filter, default every case)
#   scripts/regenerate.sh examples           the examples only (and the
#                                            comparison of main-street/)
#   --inputs         also rewrite the examples' input files with korvo_generate
#                    first (the same city for each: 90 links, seed 8)
#   --preset NAME    build with this CMake preset (default: default)
#
# The examples run in-process with the tests' fixed clock (4 July 2026,
# 09:05:07), so their reports carry that date and time.
#
# Regenerating is a deliberate step, never part of a build and never a way to
# make a failing test pass. The rewritten files are the program's own output:
# review every change (git diff tests/golden examples) and explain it before
# committing it. The golden tests that run here parse the link counts, miles,
# VMT, VHT, ratios, speeds, level-of-service miles, emissions, costs and
# screenline totals out of the new files and compare them with the sums
# worked out from the inputs; any failure they report must be understood
# before the files are kept.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=default
inputs=false
what=all
filter='*Golden*'
while [ $# -gt 0 ]; do
  case "$1" in
    --inputs) inputs=true ;;
    --preset)
      if [ $# -lt 2 ]; then echo "scripts/regenerate.sh: --preset needs a name" >&2; exit 64; fi
      preset="$2"
      shift
      ;;
    goldens | examples) what="$1" ;;
    -*) echo "scripts/regenerate.sh: unknown option $1" >&2; exit 64 ;;
    *)
      if [ "$what" != goldens ]; then echo "scripts/regenerate.sh: a filter is for the goldens: $1" >&2; exit 64; fi
      filter="$1"
      ;;
  esac
  shift
done

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2 --target korvo_tests korvo_generate
tests="build/$preset/tests/korvo_tests"

if [ "$what" != examples ]; then
  KORVO_REGENERATE_GOLDENS=1 "$tests" --gtest_filter="$filter"
fi

if [ "$what" != goldens ]; then
  if [ "$inputs" = true ]; then
    # The same small city (a 5 x 5 grid, 90 links, seed 8) in the base year
    # and in the future year.
    # regenerate_input EXAMPLE LINKS TYPE SOURCE SEED [OPTION...]
    regenerate_input() {
      rm -rf "examples/$1/input"
      "build/$preset/tools/korvo_generate" "$2" "$3" "$4" "$5" "examples/$1/input" "${@:6}"
    }
    regenerate_input validation-dbf 90 validation dbf 8
    regenerate_input analysis-dbf-aux 90 analysis dbf 8 --aux-dbf
    regenerate_input analysis-binary 90 analysis binary 8
    regenerate_input validation-binary-aux 90 validation binary 8 --aux-dbf
    # The bundled comparison: the 2045 network and its build alternative
    # with the main street widened.
    regenerate_input main-street/no-build 90 analysis dbf 8
    regenerate_input main-street/widened 90 analysis dbf 8 --widen-main-street
  fi
  # The runs first, then the comparison of main-street/no-build and
  # main-street/widened (main-street/compare/expected).
  KORVO_UPDATE_EXAMPLES=1 "$tests" --gtest_filter='Examples/*:CompareExample.*' --gtest_brief=1 || true
  # Then the picture of its COMPARE.HTML for the README (docs/compare.png;
  # needs chromium).
  KORVO_UPDATE_EXAMPLES=1 "$tests" --gtest_filter='CompareRendering.*' --gtest_brief=1 || true
fi

git status --short -- tests/golden examples
echo "Review every change (git diff tests/golden examples) before committing it."

#!/usr/bin/env bash
# Rewrites the expected/ files of every example from a run of the current
# program (in-process, with the tests' fixed clock of 4 July 2026, 09:05:07):
#
#   examples/regenerate.sh            expected files only
#   examples/regenerate.sh --inputs   also the generated input files first
#
# This is a deliberate step, not a way to make the examples test pass: the
# result must be reviewed (git diff examples/) and every change in a report
# explained before it is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target korvo_tests korvo_generate

if [ "${1:-}" = "--inputs" ]; then
  generate=build/default/tools/korvo_generate
  # The same small city (a 5 x 5 grid, 90 links, seed 8) in the base year and
  # in the future year.
  # regenerate_input EXAMPLE LINKS TYPE SOURCE SEED [OPTION...]
  regenerate_input() {
    rm -rf "examples/$1/input"
    "$generate" "$2" "$3" "$4" "$5" "examples/$1/input" "${@:6}"
  }
  regenerate_input validation-dbf 90 validation dbf 8
  regenerate_input analysis-dbf-aux 90 analysis dbf 8 --aux-dbf
  regenerate_input analysis-binary 90 analysis binary 8
  regenerate_input validation-binary-aux 90 validation binary 8 --aux-dbf
fi

KORVO_UPDATE_EXAMPLES=1 build/default/tests/korvo_tests --gtest_filter='Examples/*' --gtest_brief=1 || true
git --no-pager diff --stat -- examples/
echo "Review the changes above (git diff examples/) before committing them."

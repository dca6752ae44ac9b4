#!/usr/bin/env bash
# Rewrites the expected files of the golden cases (tests/golden/<case>/expected)
# from what the program writes now:
#   tests/golden/regenerate.sh [preset] [gtest filter]
# (defaults: the default preset, every golden case).
#
# This is a deliberate step, never part of a build. The rewritten files are
# the program's own output: review every change with `git diff` before
# committing it, and check the key numbers again. The tests that run here
# parse the link counts, miles, VMT, VHT, ratios, speeds, level-of-service
# miles, emissions, costs and screenline totals out of the new files and
# compare them with the sums worked out from the inputs; any failure they
# report must be understood before the files are kept.
set -euo pipefail
cd "$(dirname "$0")/../.."
preset="${1:-default}"
filter="${2:-*Golden*}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2 --target korvo_tests
KORVO_REGENERATE_GOLDENS=1 "build/$preset/tests/korvo_tests" --gtest_filter="$filter"
git status --short -- tests/golden

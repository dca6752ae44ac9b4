#!/usr/bin/env bash
# Builds KORVO with warnings as errors and runs every test:
#   scripts/test.sh [preset]     (default preset: ci; also: asan, default)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-ci}"
scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" -j"$(nproc)"

#!/usr/bin/env bash
# Builds KORVO and runs the bundled validation example in a scratch directory:
#   scripts/run-example.sh [example]     (default: validation-dbf)
set -euo pipefail
cd "$(dirname "$0")/.."
example="${1:-validation-dbf}"
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target korvo
scratch="$PWD/scratch/$example"
rm -rf "$scratch"
mkdir -p "$scratch"
cp -r "examples/$example/input/." "$scratch/"
echo "Running KORVO in $scratch"
status=0
(cd "$scratch" && "$OLDPWD/build/default/korvo") || status=$?
echo
echo "Exit status: $status"
echo "Report:      $scratch/KORVO.OUT"
for f in HRLDXY.ASC HRLDXY2.ASC SCRNLINE.ASC KVSKIP.LNK; do
  [ -f "$scratch/$f" ] && echo "Side file:   $scratch/$f"
done
exit "$status"

#!/usr/bin/env bash
# Builds KORVO and runs the bundled validation example in a scratch directory:
#   scripts/run-example.sh [example]     (default: validation-dbf)
set -euo pipefail
cd "$(dirname "$0")/.."
example="${1:-validation-dbf}"
if [ ! -d "examples/$example/input" ]; then
  echo "run-example: there is no example \"$example\". The examples are:" >&2
  for dir in examples/*/input; do
    dir="${dir%/input}"
    echo "  ${dir#examples/}" >&2
  done
  exit 2
fi
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
[ -f "$scratch/KORVO.HTML" ] && echo "Page:        $scratch/KORVO.HTML"
for f in KVTABLES.CSV KVSTATS.CSV KVLINKS.CSV; do
  [ -f "$scratch/$f" ] && echo "Table:       $scratch/$f"
done
for f in HRLDXY.ASC HRLDXY2.ASC SCRNLINE.ASC KVSKIP.LNK; do
  [ -f "$scratch/$f" ] && echo "Side file:   $scratch/$f"
done
exit "$status"

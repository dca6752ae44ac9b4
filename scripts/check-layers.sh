#!/usr/bin/env bash
# Checks that every include in src/ points down the layers:
#   common < input < evaluation < reports < app
# A file of a layer may include its own layer and the layers below it, never
# one above, and nothing of tests/, tools/, bench/ or fuzz/. Prints every
# include that breaks the rule and exits 1 when there is one.
#
#   scripts/check-layers.sh [source root]     (default: src of this checkout)
set -euo pipefail
cd "$(dirname "$0")/.."
root="${1:-src}"
layers=(common input evaluation reports app)

rank_of() {
  local i
  for i in "${!layers[@]}"; do
    if [ "${layers[$i]}" = "$1" ]; then
      echo "$i"
      return
    fi
  done
  echo -1
}

status=0
while IFS= read -r -d '' file; do
  layer="${file#"$root"/}"
  layer="${layer%%/*}"
  rank="$(rank_of "$layer")"
  if [ "$rank" -lt 0 ]; then
    echo "$file: folder \"$layer\" is not a layer (${layers[*]})"
    status=1
    continue
  fi
  # Every quoted include: #include "folder/..."
  while IFS=: read -r line target; do
    folder="${target%%/*}"
    case "$target" in
      */*) ;;
      *)
        echo "$file:$line: includes \"$target\" without its layer folder"
        status=1
        continue
        ;;
    esac
    target_rank="$(rank_of "$folder")"
    if [ "$target_rank" -lt 0 ]; then
      echo "$file:$line: includes \"$target\", which is not in a layer of src/ (tests, tools and the like stay out)"
      status=1
    elif [ "$target_rank" -gt "$rank" ]; then
      echo "$file:$line: $layer includes \"$target\" of the higher layer $folder"
      status=1
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
             sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/' || true)
done < <(find "$root" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)

if [ "$status" -eq 0 ]; then
  echo "check-layers: every include of $root points down (${layers[*]})"
fi
exit "$status"

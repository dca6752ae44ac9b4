# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154  # generate is the caller's, inputs is for the caller
# Sourced by bench/run.sh and bench/compare.sh.
#
# make_scenario SIZE TYPE SOURCE SEED DIR: generates a scenario as the
# benchmarks time it (without the ASCII side files, with the lines of
# EXTRA_PROFILE added to its profile) with the generator $generate, and sets
# the array `inputs` to its network files.
make_scenario() {
  local size="$1" type="$2" source="$3" seed="$4" dir="$5"
  "$generate" "$size" "$type" "$source" "$seed" "$dir" --no-ascii >/dev/null
  # The kernel writes the new files back in the background; let it finish
  # before anything is timed.
  sync
  [ -z "${EXTRA_PROFILE:-}" ] || printf '%s\n' "$EXTRA_PROFILE" >>"$dir/PROFILE.MAS"
  if [ "$source" = dbf ]; then
    inputs=("$dir"/NET*.DBF)
  else
    inputs=("$dir"/HRLDXY.??? "$dir"/VOLNAUX.???)
  fi
}

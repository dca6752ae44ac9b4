# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154  # generate is the caller's, inputs is for the caller
# Shared by bench/run.sh and bench/compare.sh, which source it.
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

# time_ns DIR RSS_FILE COMMAND...: nanoseconds of wall time of the command
# run in DIR, its output discarded. Unless RSS_FILE is empty, GNU time
# writes the peak resident set (KiB) and the CPU seconds there.
time_ns() {
  local dir="$1" rss_file="$2"
  shift 2
  local start end
  start=$(date +%s%N)
  if [ -n "$rss_file" ]; then
    (cd "$dir" && /usr/bin/time -f '%M %U %S' -o "$rss_file" "$@" >/dev/null 2>&1)
  else
    (cd "$dir" && "$@" >/dev/null 2>&1)
  fi
  end=$(date +%s%N)
  echo $((end - start))
}

# median N...: the median of a list of numbers.
median() {
  printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# Shared by the scripts: runs a set-up step (installing packages, fetching or
# building third-party code) with its output appended to a log file, so that
# the user sees one line per step: what is done and how long it took, or, when
# it fails, the end of its output and where the whole of it is.
#
#   run_step LOG "What is done" COMMAND...
#
# or, to end the line with a result of your own:
#
#   step_start LOG "What is done"
#   step_run COMMAND...
#   step_done "the result"

# "5 s", "2 min 05 s"
step_duration() {
  local seconds=$1
  if [ "$seconds" -lt 60 ]; then
    echo "$seconds s"
  else
    printf '%d min %02d s\n' $((seconds / 60)) $((seconds % 60))
  fi
}

step_start() {
  step_log=$1
  step_what=$2
  step_started=$SECONDS
  mkdir -p "$(dirname "$step_log")"
  printf '\n=== %s: %s\n' "$(date '+%F %T')" "$step_what" >>"$step_log"
  step_offset=$(stat -c %s "$step_log")
  printf '%s ... ' "$step_what"
}

# Runs COMMAND with no input and its output in the step's log. On failure ends
# the line, shows the end of what the command wrote and returns its status.
step_run() {
  printf '$ %s\n' "$*" >>"$step_log"
  local status=0
  "$@" </dev/null >>"$step_log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    echo "failed after $(step_duration $((SECONDS - step_started)))"
    {
      echo "error: $step_what failed (exit status $status); the end of its output:"
      tail -c +$((step_offset + 1)) "$step_log" | tail -n 20 | sed 's/^/  /'
      echo "The whole output is in $step_log"
    } >&2
  fi
  return "$status"
}

step_done() {
  echo "${1:+$1, }$(step_duration $((SECONDS - step_started)))"
}

run_step() {
  step_start "$1" "$2"
  shift 2
  step_run "$@" || return
  step_done
}

# shellcheck shell=bash
# Sourced by .ci/run: each stage is timed against its budget.
#   stage NAME BUDGET-SECONDS COMMAND...  runs COMMAND, prints one line with
#                                         its time (and "OVER BUDGET by N s",
#                                         "FAILED (status N)"); its status
#   stage_report                          every stage's line again, then the total
stage_lines=()
stage_began=$SECONDS

stage() {
  local name=$1 budget=$2 began=$SECONDS status=0 took line
  shift 2
  echo "== $name"
  "$@" || status=$?
  took=$((SECONDS - began))
  line=$(printf 'stage %-24s %5d s  (budget %d s)' "$name" "$took" "$budget")
  ((took <= budget)) || line+="  OVER BUDGET by $((took - budget)) s"
  ((status == 0)) || line+="  FAILED (status $status)"
  echo "$line"
  stage_lines+=("$line")
  return "$status"
}

stage_report() {
  local line total=$((SECONDS - stage_began))
  echo
  for line in "${stage_lines[@]}"; do echo "$line"; done
  printf 'total %d s (%d min %02d s)\n' "$total" "$((total / 60))" "$((total % 60))"
}

#!/usr/bin/env bash
# CI's stage lines: each stage's time, an overrun or a failure named, and a
# last line with the total.
set -uo pipefail
source_dir=$1
# shellcheck source=/dev/null
. "$source_dir/scripts/stages.sh"

failures=0
# shellcheck disable=SC2317  # called through the rows
slow_failure() { sleep 1.2; return 3; }
# budget | command | expected status | pattern the stage's line matches | pattern it must not match
rows=(
  "5|true|0|^stage quick +[0-9] s  \(budget 5 s\)$|OVER|"
  "0|sleep 1.2|0|OVER BUDGET by [12] s$|FAILED"
  "5|false|1|  FAILED \(status 1\)$|OVER"
  "0|slow_failure|3|OVER BUDGET by [12] s  FAILED \(status 3\)$|"
)
for row in "${rows[@]}"; do
  IFS='|' read -r budget command want_status want absent <<<"$row"
  status=0
  # shellcheck disable=SC2086  # the command's words
  out=$( (stage quick "$budget" $command) 2>&1) || status=$?
  line=$(tail -n 1 <<<"$out")
  if [ "$status" != "$want_status" ] || ! grep -Eq "$want" <<<"$line" || { [ -n "$absent" ] && grep -q "$absent" <<<"$line"; }; then
    echo "[$row]: status $status, line [$line]"
    failures=$((failures + 1))
  fi
done
# The report repeats every line and ends with the total.
report=$(stage one 9 true >/dev/null; stage two 9 true >/dev/null; stage_report)
if [ "$(grep -c '^stage ' <<<"$report")" != 2 ] || ! tail -n 1 <<<"$report" | grep -Eq '^total [0-9]+ s \(0 min [0-9]{2} s\)$'; then
  echo "report: [$report]"
  failures=$((failures + 1))
fi
# CI's budgets fit its 45 minutes.
budgets=$(sed -nE 's/^ *stage ("[^"]*"|[^ ]+) ([0-9]+) .*/\2/p' "$source_dir/.ci/run")
total=$(( $(paste -sd+ <<<"$budgets") ))
if [ "$(wc -l <<<"$budgets")" -lt 8 ] || ((total > 45 * 60)); then
  echo "CI budgets: [$(tr '\n' ' ' <<<"$budgets")] add up to $total s"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "ci stages: every case gave what it should"
exit "$((failures > 0))"

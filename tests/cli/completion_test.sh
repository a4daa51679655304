#!/usr/bin/env bash
# The packaged bash completion against the built netrov-cli: commands and
# options come from the program's --help, level by level.
set -uo pipefail
source_dir=$1
program_dir=$2
export PATH="$program_dir:$PATH"
# The one helper the completion takes from the bash-completion package; it
# sets the caller's locals.
# shellcheck disable=SC2034,SC2317
_init_completion() {
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  words=("${COMP_WORDS[@]}")
  cword=$COMP_CWORD
}
# shellcheck source=/dev/null
. "$source_dir/debian/netrov-cli.bash-completion"

failures=0
expect() {  # expected offer, then the words typed (the last one is being completed)
  local want=$1
  shift
  COMPREPLY=()
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  _netrov_cli
  if [ "${COMPREPLY[*]}" != "$want" ]; then
    echo "[$*]: offered [${COMPREPLY[*]}], expected [$want]"
    failures=$((failures + 1))
  fi
}
expect "search" netrov-cli sear
expect "status" netrov-cli statu
expect "--version" netrov-cli --v
expect "cancel continue" netrov-cli job ""
expect "on" netrov-cli trap o
expect "--community" netrov-cli trap on 192.0.2.1 --com
expect "--no-broadcast --no-v3-probe --no-progress" netrov-cli search --no
expect "" netrov-cli search --timeout ""
expect "--json" netrov-cli status 192.0.2.1 --timeout 3 --j
expect "--mutex" netrov-cli end-app --m
[ "$failures" -eq 0 ] && echo "completion: every case offered what it should"
exit "$((failures > 0))"

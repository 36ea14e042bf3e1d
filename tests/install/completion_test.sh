#!/usr/bin/env bash
# The completion script loads, and completes what the program of this build offers: its
# commands, a command's options from its usage, and the daemon's options.
# Arguments: the completion script, the folder of the built programs.
set -uo pipefail
script=$1
PATH=$2:$PATH
bash -n "$script" || exit 1
source "$script"
status=0

# expect WORDS... '=>' EXPECTED...: completes the last word and compares the candidates.
expect() {
  local words=() expected=()
  while [[ $1 != '=>' ]]; do words+=("$1"); shift; done
  shift
  expected=("$@")
  COMP_WORDS=("${words[@]}")
  COMP_CWORD=$((${#words[@]} - 1))
  COMPREPLY=()
  if [[ ${words[0]} == tarrow-simd ]]; then _tarrow_simd; else _tarrow; fi
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
  local want
  want=$(printf '%s\n' "${expected[@]}" | sort | xargs)
  if [[ $got != "$want" ]]; then
    echo "completing '${words[*]}': expected '$want', got '$got'"
    status=1
  fi
}

expect tarrow mod '=>' modules
expect tarrow conn '=>' connect connections
expect tarrow net 2 --ar '=>' --arp-flush --arp-timeout
expect tarrow modules -- '=>' --all --json --help
expect tarrow decode --f '=>' --facility
expect tarrow connect 2 --remote '=>' --remote --remote-rtcp
expect tarrow-simd --b '=>' --board
exit $status

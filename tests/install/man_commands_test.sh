#!/usr/bin/env bash
# tarrow(8) describes every command that the program of this build offers.
# Arguments: the generated tarrow.8, the folder of the built programs.
set -uo pipefail
page=$1
commands=$("$2/tarrow" --help | awk '/^  [a-z]/ { print $1 }')
[[ -n $commands ]] || { echo "tarrow --help lists no commands"; exit 1; }
rendered=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l -Tutf8 "$page" 2>/dev/null | col -bx)
status=0
for command in $commands; do
  if ! grep -qE "^ {7}$command( |$)" <<<"$rendered"; then
    echo "tarrow(8) does not describe the command $command: add it to man/tarrow.8.in"
    status=1
  fi
done
exit $status

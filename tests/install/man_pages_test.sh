#!/usr/bin/env bash
# The manual pages render without a single warning of the formatter, each to a page that names
# the program or file it describes. Arguments: the folder of the generated pages, then the pages.
set -uo pipefail
folder=$1
shift
status=0
for page in "$@"; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 "$folder/$page" 2>&1 >/dev/null)
  if [[ -n $warnings ]]; then
    echo "$page: formatter warnings:"
    echo "$warnings"
    status=1
  fi
  name=${page%.*}
  rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l -Tutf8 "$folder/$page" 2>/dev/null | col -bx | tr -s " ")
  if ! grep -q "^NAME" <<<"$rendered"; then
    echo "$page: renders without a NAME section"
    status=1
  elif ! grep -qF -- " $name - " <<<"$rendered"; then
    echo "$page: the NAME section does not name $name"
    status=1
  fi
done
exit $status

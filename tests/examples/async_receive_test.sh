#!/usr/bin/env bash
# The asynchronous sample drives sixteen lines from one thread against tarrow-simd.
# Arguments: the sample program, the daemon program.
set -uo pipefail
sample=$1
daemon=$2
scratch=$(mktemp -d)
socket=$scratch/board.sock
"$daemon" --socket "$socket" 2>"$scratch/daemon.err" &
daemon_pid=$!
cleanup() {
  kill "$daemon_pid" 2>/dev/null
  wait "$daemon_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [[ -S $socket ]] && break
  sleep 0.05
done
[[ -S $socket ]] || { echo "tarrow-simd did not listen: $(cat "$scratch/daemon.err")"; exit 1; }
output=$(TARROW_DRIVER=sim:$socket timeout 30 "$sample" 16 10 2>"$scratch/sample.err")
status=$?
if [[ $status -ne 0 ]]; then
  echo "async_receive exited with $status: $(cat "$scratch/sample.err")"
  exit 1
fi
if [[ ! $output =~ ^"16 lines on module 0x2, 10 rounds each, "[0-9]+" notices"$ ]]; then
  echo "unexpected output: $output"
  exit 1
fi
TARROW_DRIVER=sim:$socket timeout 30 "$sample" 0 >/dev/null 2>&1
[[ $? -eq 2 ]] || { echo "a line count of 0 was not refused"; exit 1; }
echo "$output"

#!/usr/bin/env bash
# timed.sh NAME COMMAND...: runs COMMAND and appends "NAME seconds" to the
# stage-time file (build/stage-times.txt of the checkout), keeping its status.
set -u
name=$1
shift
file="$(cd "$(dirname "$0")/.." && pwd)/build/stage-times.txt"
mkdir -p "$(dirname "$file")"
start=$(date +%s)
"$@"
status=$?
echo "$name $(($(date +%s) - start)) s$([ $status -eq 0 ] || echo " (failed)")" >> "$file"
exit $status

#!/usr/bin/env bash
# timed.sh NAME COMMAND...: runs COMMAND and appends "NAME seconds (processor
# seconds)" to the stage-time file (build/stage-times.txt of the checkout),
# keeping its status. The processor time (user + system of everything the
# stage ran) does not grow with the neighbours of a busy machine, as the wall
# time does.
set -u
name=$1
shift
file="$(cd "$(dirname "$0")/.." && pwd)/build/stage-times.txt"
mkdir -p "$(dirname "$file")"
start=$(date +%s)
"$@"
status=$?
# The second line of `times`: user and system time of the finished children.
times_file=$(mktemp)
times > "$times_file"
cpu=$(tail -n 1 "$times_file" | awk '{ split($1, u, /[ms]/); split($2, s, /[ms]/)
                                       printf "%.0f", u[1] * 60 + u[2] + s[1] * 60 + s[2] }')
rm -f "$times_file"
echo "$name $(($(date +%s) - start)) s (processor $cpu s)$([ $status -eq 0 ] || echo " (failed)")" >> "$file"
exit $status

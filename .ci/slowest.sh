#!/usr/bin/env bash
# slowest.sh LOG [N]: the N (10) slowest tests of a ctest log, with their
# seconds and how each ended, slowest first.
set -u
log=$1
count=${2:-10}
[ -f "$log" ] || { echo "(no test log at $log)"; exit 0; }
# "  12/345 Test  #67: Suite.Name ......   Passed   12.34 sec"
awk '/Test +#[0-9]+: / && $NF == "sec" {
        line = $0
        sub(/.*Test +#[0-9]+: +/, "", line)
        name = line; sub(/ .*/, "", name)
        status = line; sub(/^[^ ]+ +[.]*[*]*/, "", status); sub(/ +[0-9.]+ sec$/, "", status)
        printf "%s %s %s\n", $(NF - 1), name, status
    }' "$log" | sort -rn | head -n "$count" |
    awk '{ s = $1; n = $2; $1 = $2 = ""; sub(/^ +/, "");
           printf "%9.2f s  %s%s\n", s, n, $0 == "Passed" ? "" : "  (" $0 ")" }'

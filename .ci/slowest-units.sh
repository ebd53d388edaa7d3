#!/usr/bin/env bash
# slowest-units.sh BUILD_DIR [N]: the N (10) build steps of the last build in
# BUILD_DIR that took longest (from its .ninja_log), with their seconds.
set -u
log=$1/.ninja_log
count=${2:-10}
[ -f "$log" ] || { echo "(no build log at $log)"; exit 0; }
# Lines "start end mtime output hash" (milliseconds); the last entry of an
# output is its latest build.
awk -F '\t' '!/^#/ { took[$4] = $2 - $1 } END { for (o in took) printf "%d %s\n", took[o], o }' "$log" |
    sort -rn | head -n "$count" | awk '{ printf "%9.2f s  %s\n", $1 / 1000, $2 }'

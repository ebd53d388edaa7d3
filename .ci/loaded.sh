#!/usr/bin/env bash
# loaded.sh CPUS RUNS COMMAND...: runs COMMAND RUNS times pinned to CPUS
# (a taskset list such as 0,1) while one busy loop per CPU keeps each of
# them loaded; prints each run's time and status and how many passed.
# Fails unless every run passed.
set -u
cpus=$1
runs=$2
shift 2
loops=()
stop_loops() {
    for pid in "${loops[@]}"; do
        kill "$pid" 2>/dev/null
    done
}
trap stop_loops EXIT
for cpu in $(echo "$cpus" | tr ',' ' '); do
    case $cpu in
    *-*)
        for ((c = ${cpu%-*}; c <= ${cpu#*-}; ++c)); do
            taskset -c "$c" bash -c 'while :; do :; done' &
            loops+=($!)
        done
        ;;
    *)
        taskset -c "$cpu" bash -c 'while :; do :; done' &
        loops+=($!)
        ;;
    esac
done
echo "== ${#loops[@]} busy loops on CPUs $cpus"
passed=0
summary=""
for ((run = 1; run <= runs; ++run)); do
    start=$(date +%s)
    taskset -c "$cpus" "$@"
    status=$?
    seconds=$(($(date +%s) - start))
    [ $status -eq 0 ] && passed=$((passed + 1))
    summary+="run $run: $([ $status -eq 0 ] && echo passed || echo "FAILED ($status)") in $seconds s"$'\n'
done
echo "== loaded runs"
printf '%s' "$summary"
echo "$passed of $runs passed"
[ "$passed" -eq "$runs" ]

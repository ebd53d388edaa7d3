#!/usr/bin/env bash
# loaded.sh CPUS RUNS COMMAND...: runs COMMAND RUNS times pinned to CPUS
# (a taskset list such as 0,1) while one busy loop per CPU keeps each of
# them loaded; prints each run's time and status and how many passed, and
# for a ctest command each test's passes and its shortest and longest time.
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
output=$(mktemp)
trap 'stop_loops; rm -f "$output"' EXIT
for ((run = 1; run <= runs; ++run)); do
    start=$(date +%s)
    # ctest's lines of results ("Test #12: Name ....   Passed   3.1 sec")
    # are kept for the tally.
    taskset -c "$cpus" "$@" 2>&1 | tee -a "$output"
    status=${PIPESTATUS[0]}
    seconds=$(($(date +%s) - start))
    [ $status -eq 0 ] && passed=$((passed + 1))
    summary+="run $run: $([ $status -eq 0 ] && echo passed || echo "FAILED ($status)") in $seconds s"$'\n'
done
echo "== loaded runs"
printf '%s' "$summary"
awk '/Test +#[0-9]+: / {
        name = $0; sub(/.*Test +#[0-9]+: /, "", name); sub(/ .*/, "", name)
        ++runs[name]
        if ($0 ~ / Passed +[0-9.]+ sec/) ++passes[name]
        if (match($0, /[0-9.]+ sec/)) {
            t = substr($0, RSTART, RLENGTH - 4) + 0
            if (!(name in low) || t < low[name]) low[name] = t
            if (t > high[name]) high[name] = t
        }
     }
     END {
        for (name in runs)
            printf "%s: %d of %d passed, %.0f to %.0f s\n", name, passes[name], runs[name], low[name], high[name]
     }' "$output" | sort
echo "$passed of $runs passed"
[ "$passed" -eq "$runs" ]

#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time, starting from its kept corpus:
#   run-target.sh FUZZER CORPUS WORK SECONDS [libFuzzer options...]
# New inputs go to WORK/corpus (the kept corpus is only read), findings to
# WORK/findings. Prints the executions, the rate and the findings; fails when
# there is a finding.
set -uo pipefail
fuzzer=$1 corpus=$2 work=$3 seconds=$4
shift 4
name=$(basename "$fuzzer")
mkdir -p "$work/corpus" "$work/findings"
# Findings of an earlier run stay until looked at; count only this run's.
before=$(find "$work/findings" -type f | wc -l)
log=$work/last-run.log
# The registry file target reads only a file's first kilobyte.
limits=()
[ "$name" = fuzz_registry_file ] && limits=(-max_len=1024)
# One job, no forking: the machine's two cores are shared.
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "${limits[@]}" "$@" "$work/corpus" "$corpus" >"$log" 2>&1
status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
units=$(find "$work/corpus" -type f | wc -l)
after=$(find "$work/findings" -type f | wc -l)
found=$((after - before))
echo "$name: ${runs:-?} executions in ${took:-?} s (${rate:-?}/s), $units new corpus inputs, $found findings"
if [ $status -ne 0 ] || [ $found -gt 0 ]; then
    grep -E 'ERROR|runtime error|fuzz check failed|SUMMARY|Test unit written' "$log" | head -20
    echo "$name: full log in $log"
    exit 1
fi

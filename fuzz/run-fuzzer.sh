#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time and prints one line with its figures:
#   run-fuzzer.sh FUZZER SECONDS MAX_LEN WORK_DIR SEED_DIR REGRESSION_DIR
# New inputs go into WORK_DIR/corpus, which libFuzzer gets first, so the seed and regression
# folders of the repository are only read. Crash, leak and time-out inputs land in
# WORK_DIR/artifacts. Any of them, or any sanitizer report, fails the run.
set -euo pipefail

if [ $# -ne 6 ]; then
    echo "usage: $0 FUZZER SECONDS MAX_LEN WORK_DIR SEED_DIR REGRESSION_DIR" >&2
    exit 2
fi
fuzzer=$1 seconds=$2 max_len=$3 work=$4 seeds=$5 regressions=$6
name=$(basename "$fuzzer")

mkdir -p "$work/corpus" "$work/artifacts" "$work/tmp"
dirs=("$work/corpus" "$seeds")
# A target has a regression folder only once some input made it fail.
[ -d "$regressions" ] && dirs+=("$regressions")

log=$work/fuzz.log
status=0
# Targets that write files write them below the work folder, not into the system's /tmp.
TMPDIR=$work/tmp "$fuzzer" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
    "${dirs[@]}" >"$log" 2>&1 || status=$?

if [ $status -ne 0 ]; then
    echo "$name failed (exit $status); inputs in $work/artifacts, log $log:"
    tail -n 60 "$log"
    exit 1
fi

stat() { sed -n "s/^stat::$1: *//p" "$log"; }
done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE ' "$log" | tail -n 1 || true)
field() { sed -n "s/.* $1: \([^ ]*\).*/\1/p" <<<"$done_line"; }
echo "$name: $(stat number_of_executed_units) executions, $(stat average_exec_per_sec) exec/s," \
    "cov: $(field cov) ft: $(field ft), corpus $(field corp), peak $(stat peak_rss_mb) MB"

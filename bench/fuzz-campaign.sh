#!/usr/bin/env bash
# A long fuzzing campaign over every target of tests/fuzz, one after the other (or PARALLEL at a
# time), each for its share of executions or TIME seconds, whichever comes first. Prints one line
# per target: executions, edges covered (libFuzzer's "cov" at the end of the run), corpus size,
# executions per second and findings (crash-, leak-, timeout- and oom- files).
#
#   bench/fuzz-campaign.sh [BUILD]        BUILD: the fuzz build folder (default build/fuzz)
#
#   SCALE=0.1   multiplies every target's executions (default 1: 10 million in all)
#   TIME=900    seconds per target at most (default 1200)
#   PARALLEL=2  targets run at once (default 1; the machine has 2 cores)
#   TARGETS="sequences answers"   a subset
#   OUT=bench/out/fuzz-2   another output folder (default bench/out/fuzz)
#   REPORT=1    print the table of the last campaign in OUT again, running nothing
#
# The binaries are copied first (a rebuild during the campaign does not disturb it). Everything
# lands in bench/out/fuzz/ (or OUT): <target>/corpus (kept from one campaign to the next, on top of the
# seeds of tests/fuzz/corpus), <target>/log, findings in <target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/fuzz}
scale=${SCALE:-1}
time_cap=${TIME:-1200}
parallel=${PARALLEL:-1}

# executions per target: the readers run tens of thousands of inputs a second, a method end to
# end a few hundred to a few thousand
declare -A share=([sequences]=4000000 [answers]=3000000 [family]=1500000 [classmaker]=600000
                  [classfile]=400000 [bincod]=200000 [ngrams]=120000 [discover]=100000
                  [disclass]=80000 [ddms]=40000 [cli]=40000)
targets=${TARGETS:-sequences answers family classmaker classfile bincod ngrams discover disclass ddms cli}

out=$(realpath -m "${OUT:-$root/bench/out/fuzz}")
if [ -z "${REPORT:-}" ]; then
    mkdir -p "$out/bin"
    for t in $targets; do cp "$build/bin/fuzz_$t" "$out/bin/"; done
fi

run_target() {
    local t=$1
    local runs
    runs=$(python3 -c "print(max(1, int(${share[$t]} * $scale)))")
    local dict=$root/tests/fuzz/tessar.dict
    [ ! -f "$root/tests/fuzz/$t.dict" ] || dict=$root/tests/fuzz/$t.dict
    mkdir -p "$out/$t/corpus"
    nice -n 10 "$out/bin/fuzz_$t" -seed=1 -runs="$runs" -max_total_time="$time_cap" \
        -dict="$dict" -timeout=60 -rss_limit_mb=2048 -max_len=4096 \
        -print_final_stats=1 -artifact_prefix="$out/$t/" \
        "$out/$t/corpus" "$root/tests/fuzz/corpus/$t" >"$out/$t/log" 2>&1 || true
}

value() {  # value STAT LOG: the last value libFuzzer printed for stat::STAT
    sed -n "s/^stat::$1: *//p" "$2" | tail -1
}

if [ -z "${REPORT:-}" ]; then
    start=$(date +%s)
    running=0
    for t in $targets; do
        run_target "$t" &
        running=$((running + 1))
        if [ "$running" -ge "$parallel" ]; then wait -n; running=$((running - 1)); fi
    done
    wait
    echo "campaign: $(date -u +%Y-%m-%d), $(( $(date +%s) - start )) s wall, scale $scale, $parallel at a time, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
fi
printf '%-11s %12s %7s %7s %8s %9s\n' target executions edges corpus exec/s findings
total=0
for t in $targets; do
    log=$out/$t/log
    execs=$(value number_of_executed_units "$log")
    edges=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    corpus=$(find "$out/$t/corpus" -type f | wc -l)
    findings=$(find "$out/$t" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' \
                    -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
    printf '%-11s %12s %7s %7s %8s %9s\n' "$t" "${execs:-?}" "${edges:-?}" "$corpus" \
        "$(value average_exec_per_sec "$log")" "$findings"
    total=$((total + ${execs:-0}))
done
echo "total executions: $total"

#!/bin/sh
# A short fuzz run that fails on any finding: smoke.sh TARGET WORK SEEDS DICT RUNS
# New inputs go to WORK/corpus (emptied first), so the run is the same each time (seed 1) and the
# seed corpus in the repository is only read; a finding is kept in WORK/ as crash-*, leak-*,
# timeout-* or oom-*.
set -eu
target=$1 work=$2 seeds=$3 dict=$4 runs=$5
rm -rf "$work"
mkdir -p "$work/corpus"
exec "$target" -seed=1 -runs="$runs" -dict="$dict" -timeout=60 -rss_limit_mb=2048 -max_len=4096 \
    -artifact_prefix="$work/" -print_final_stats=1 "$work/corpus" "$seeds"

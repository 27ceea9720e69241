#!/usr/bin/env bash
# Active-motif discovery through the real launcher: default answers (form 1, minimum length 3,
# minimum occurrence Tot/3) with no mutation and with 2 mutations, on synthetic sets of 500 and
# 2000 sequences of 300 residues (3 classes) and on tests/data/medium.fasta (181 real sequences).
# Prints, per run, the data, the options, the seconds the method reports for its search, the
# wall-clock seconds of the whole run (context files included) and the motif counts.
# A run is capped at CAP seconds (default 600): a capped run is marked so, with the counts the
# report held when it was stopped (the report is flushed after every motif).
#
#   bench/discover.sh [build-dir]     (default build/default; build DLL_Tessar and launcher first;
#                                      the bin folder itself is accepted too)
#   CAP=300 bench/discover.sh build-bench
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_setup "${1:-$(dirname "$0")/../build/default}"
cap=${CAP:-600}
case $cap in '' | *[!0-9]* | 0) echo "CAP must be a whole number of seconds above 0" >&2; exit 1 ;; esac

printf '%-14s %-24s %10s %10s %9s %9s\n' data options search_s wall_s found checked

run() {  # label fasta cls mutations
    local label=$1 fasta=$2 cls=$3 dist=$4 work="$BENCH_OUT/discover-$1-d$4"
    # sequence file, classes, no test file, form, length, occurrence, mutations, report,
    # ARFF, TXT, DAT, key, quit
    local wall search found checked n
    wall=$(bench_launch -c "$cap" "$work" \
        "a\n${fasta##*/}\n${cls##*/}\n\n\n\n\n$dist\n\n\n\n\n\nq\n" "$fasta" "$cls")
    if [ "$(cat "$work/status")" = 124 ]; then
        search="capped"
        found=$(grep -c "^	" "$work/Report.out" || true)
        checked="?"
    else
        search=$(grep -ao '[0-9.]* seconds' "$work/stdout" | tail -1 | cut -d' ' -f1)
        found=$(grep -a "motifs found" "$work/Report.out" | awk '{print $1}')
        checked=$(grep -a "motifs checked" "$work/Report.out" | awk '{print $1}')
    fi
    n=$(bench_seqs "$fasta")
    printf '%-14s %-24s %10s %10.1f %9s %9s\n' "$label($n)" "form1 len3 occ=$((n / 3)) d=$dist" \
        "$search" "$wall" "$found" "$checked"
    rm -f "$work"/Context.*  # hundreds of MB with 2 mutations; the report stays
}

for dist in 0 2; do run medium "$BENCH_DATA/medium.fasta" "$BENCH_DATA/medium.cls" $dist; done
for n in 500 2000; do
    for dist in 0 2; do
        run "syn$n" "$BENCH_OUT/synthetic-$n.fasta" "$BENCH_OUT/synthetic-$n.cls" $dist
    done
done
bench_machine

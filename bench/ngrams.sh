#!/usr/bin/env bash
# N-gram method benchmark: the real launcher (menu key b) with a scripted standard input, default
# answers (N = 3, default output names) and a classification file, on synthetic sets of 500 and
# 2000 sequences of 300 residues in 3 classes and on the real medium set (tests/data/medium.fasta,
# 181 sequences).
# Prints, per run: data, options, wall seconds of the whole run, the method's own extraction
# seconds, the attribute count and the output size; then the machine.
#
# Usage: bench/ngrams.sh [BIN]    (BIN: folder of launcher and the library, or a build folder;
#                                  default build/default/bin)
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_setup "${1:-}"

run() {  # label fasta cls
    local label=$1 fasta=$2 cls=$3 work="$BENCH_OUT/ngrams-$1"
    # b, sequence file, classification file, no test file, N, ARFF, TXT, DAT names, key, q
    local wall extract distinct size
    wall=$(bench_launch "$work" "b\n${fasta##*/}\n${cls##*/}\n\n\n\n\n\n\nq\n" "$fasta" "$cls")
    extract=$(grep -ao '[0-9.]* seconds' "$work/stdout" | head -1 | cut -d' ' -f1)
    distinct=$(grep -ao '[0-9]* distinct N-Grams' "$work/stdout" | cut -d' ' -f1)
    size=$(du -ck "$work"/Context.* | tail -1 | cut -f1)
    printf '%-16s %5d seqs  N=3, classes, no test  %8.2f s total  %9s s extraction  %6d attributes  %7d KiB written\n' \
        "$label" "$(bench_seqs "$fasta")" "$wall" "$extract" "$distinct" "$size"
}

echo "N-gram method, launcher key b, default answers with a classification file"
run medium "$BENCH_DATA/medium.fasta" "$BENCH_DATA/medium.cls"
run synthetic-500 "$BENCH_OUT/synthetic-500.fasta" "$BENCH_OUT/synthetic-500.cls"
run synthetic-2000 "$BENCH_OUT/synthetic-2000.fasta" "$BENCH_OUT/synthetic-2000.cls"
bench_machine

#!/usr/bin/env bash
# Discriminative-descriptor method benchmark: the real launcher (menu key c) with a scripted
# standard input, a classification file, no test file and the thresholds ALPHA 0.5, BETA 0.1
# (plus the defaults 0/0 on the two smaller sets), on synthetic sets of 500 and 2000 sequences
# of 300 residues in 3 classes and on the real medium set (tests/data/medium.fasta, 181 sequences).
# Prints, per run: data, options, wall seconds of the whole run, the method's own mining
# seconds, the descriptor count, the peak memory and the output size; then the machine.
#
# Usage: bench/disclass.sh [BIN]    (BIN: folder of launcher and the library, or a build folder;
#                                    default build/default/bin)
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_setup "${1:-}"

run() {  # label fasta cls alpha beta
    local label=$1 fasta=$2 cls=$3 alpha=$4 beta=$5 work="$BENCH_OUT/disclass-$1-$4-$5"
    # c, sequence file, classification file, no test file, ALPHA, BETA, ARFF name, key, q
    local wall mining found size
    wall=$(bench_launch "$work" "c\n${fasta##*/}\n${cls##*/}\n\n$alpha\n$beta\n\n\nq\n" "$fasta" "$cls")
    mining=$(grep -ao '[0-9.]* seconds' "$work/stdout" | head -1 | cut -d' ' -f1)
    found=$(grep -ao '[0-9]*  discriminative descriptors' "$work/stdout" | cut -d' ' -f1)
    size=$(du -ck "$work"/Context.arff "$work"/LesDDs.txt "$work"/SeqFile.seq | tail -1 | cut -f1)
    printf '%-15s %5d seqs  ALPHA=%-4s BETA=%-4s no test  %8.2f s total  %9s s mining  %6d descriptors  %7d KiB peak  %7d KiB written\n' \
        "$label" "$(bench_seqs "$fasta")" "$alpha" "$beta" "$wall" "$mining" "$found" \
        "$(cat "$work/maxrss")" "$size"
}

echo "Discriminative descriptors, launcher key c, classification file, no test file"
run medium "$BENCH_DATA/medium.fasta" "$BENCH_DATA/medium.cls" 0 0
run medium "$BENCH_DATA/medium.fasta" "$BENCH_DATA/medium.cls" 0.5 0.1
run synthetic-500 "$BENCH_OUT/synthetic-500.fasta" "$BENCH_OUT/synthetic-500.cls" 0 0
run synthetic-500 "$BENCH_OUT/synthetic-500.fasta" "$BENCH_OUT/synthetic-500.cls" 0.5 0.1
run synthetic-2000 "$BENCH_OUT/synthetic-2000.fasta" "$BENCH_OUT/synthetic-2000.cls" 0.5 0.1
bench_machine

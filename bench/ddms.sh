#!/usr/bin/env bash
# Substitution-matrix descriptor method benchmark: the real launcher (menu key d) with a scripted
# standard input, default answers (ALPHA = BETA = 0, threshold 0.5, no test file, default output
# names) and each of the six matrices, on the real medium set (tests/data/medium.fasta, 181
# sequences) and on synthetic sets of 500 and 2000 sequences of 300 residues in 3 classes.
# Prints, per run: data, matrix, wall seconds of the whole run (dialogue, family file, mining,
# grouping, report and ARFF), the method's own seconds (mining and grouping), the descriptors
# kept and the output size; then the machine.
#
# Usage: bench/ddms.sh [BIN]    (BIN: folder of launcher and the library, or a build folder;
#                                default build/default/bin)
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_setup "${1:-}"

matrices=(- BLOSUM45 BLOSUM62 BLOSUM80 PAM30 PAM70 PAM250)

run() {  # label fasta cls matrix-number
    local label=$1 fasta=$2 cls=$3 m=$4 work="$BENCH_OUT/ddms-$1"
    # d, sequence file, classification file, no test file, ALPHA, BETA, matrix, threshold,
    # ARFF name, key, q
    local wall own kept size
    wall=$(bench_launch "$work" "d\n${fasta##*/}\n${cls##*/}\n\n\n\n$m\n\n\n\nq\n" "$fasta" "$cls")
    own=$(grep -ao '[0-9.]* seconds' "$work/stdout" | head -1 | cut -d' ' -f1)
    kept=$(grep -ao '[0-9]*  discriminative descriptors' "$work/stdout" | cut -d' ' -f1)
    size=$(du -ck "$work/Context.arff" "$work/LesDDSMs.txt" | tail -1 | cut -f1)
    printf '%-15s %5d seqs  %-8s  %8.2f s total  %9s s mining+grouping  %6d kept  %7d KiB written\n' \
        "$label" "$(bench_seqs "$fasta")" "${matrices[$m]}" "$wall" "$own" "$kept" "$size"
    rm -rf "$work"
}

echo "Descriptor method with substitution matrix, launcher key d, default answers but the matrix"
for m in 1 2 3 4 5 6; do run medium "$BENCH_DATA/medium.fasta" "$BENCH_DATA/medium.cls" $m; done
for m in 1 2 3 4 5 6; do run synthetic-500 "$BENCH_OUT/synthetic-500.fasta" "$BENCH_OUT/synthetic-500.cls" $m; done
for m in 1 2 3 4 5 6; do run synthetic-2000 "$BENCH_OUT/synthetic-2000.fasta" "$BENCH_OUT/synthetic-2000.cls" $m; done
bench_machine

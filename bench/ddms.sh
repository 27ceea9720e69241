#!/usr/bin/env bash
# Substitution-matrix descriptor method benchmark: the real launcher (menu key d) with a scripted
# standard input, default answers (ALPHA = BETA = 0, threshold 0.5, no test file, default output
# names) and each of the six matrices, on the shared medium set (181 sequences) and on synthetic
# sets of 500 and 2000 sequences of 300 residues in 3 classes.
# Prints, per run: data, matrix, wall seconds of the whole run (dialogue, family file, mining,
# grouping, report and ARFF), the method's own seconds (mining and grouping), the descriptors
# kept and the output size; then the machine.
#
# Usage: bench/ddms.sh [BIN]    (BIN: folder of launcher and the library, default build/default/bin)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build/default/bin}" && pwd)
shared=$(cd "$root/../shared" && pwd)
out="$root/bench/out"
mkdir -p "$out"

[ -x "$bin/launcher" ] || { echo "no launcher in $bin: build first" >&2; exit 1; }

# data (kept between runs; the generator is seeded, so the sets are always the same)
for n in 500 2000; do
    [ -f "$out/synthetic-$n.fasta" ] ||
        "$shared/data/make-synthetic" "$out/synthetic-$n" --seqs "$n" --len 300 --classes 3 --seed 1 >/dev/null
done

matrices=(- BLOSUM45 BLOSUM62 BLOSUM80 PAM30 PAM70 PAM250)

run() {  # label fasta cls matrix-number
    local label=$1 fasta=$2 cls=$3 m=$4 work="$out/run-ddms-$1"
    rm -rf "$work" && mkdir -p "$work"
    cp "$fasta" "$work/seq.fasta" && cp "$cls" "$work/seq.cls"
    # d, sequence file, classification file, no test file, ALPHA, BETA, matrix, threshold,
    # ARFF name, key, q
    local script="d\nseq.fasta\nseq.cls\n\n\n\n$m\n\n\n\nq\n"
    local start end
    start=$(date +%s.%N)
    printf "$script" | (cd "$work" && "$bin/launcher") >"$work/stdout"
    end=$(date +%s.%N)
    local n_seq own kept size
    n_seq=$(grep -c '^>' "$fasta")
    own=$(grep -ao '[0-9.]* seconds' "$work/stdout" | head -1 | cut -d' ' -f1)
    kept=$(grep -ao '[0-9]*  discriminative descriptors' "$work/stdout" | cut -d' ' -f1)
    size=$(du -ck "$work/Context.arff" "$work/LesDDSMs.txt" | tail -1 | cut -f1)
    printf '%-15s %5d seqs  %-8s  %8.2f s total  %9s s mining+grouping  %6d kept  %7d KiB written\n' \
        "$label" "$n_seq" "${matrices[$m]}" "$(echo "$end - $start" | bc)" "$own" "$kept" "$size"
    rm -rf "$work"
}

echo "Descriptor method with substitution matrix, launcher key d, default answers but the matrix"
for m in 1 2 3 4 5 6; do run medium "$shared/data/medium.fasta" "$shared/data/medium.cls" $m; done
for m in 1 2 3 4 5 6; do run synthetic-500 "$out/synthetic-500.fasta" "$out/synthetic-500.cls" $m; done
for m in 1 2 3 4 5 6; do run synthetic-2000 "$out/synthetic-2000.fasta" "$out/synthetic-2000.cls" $m; done
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(uname -sr)"
echo "binaries: $bin"

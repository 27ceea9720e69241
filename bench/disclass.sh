#!/usr/bin/env bash
# Discriminative-descriptor method benchmark: the real launcher (menu key c) with a scripted
# standard input, a classification file, no test file and the thresholds ALPHA 0.5, BETA 0.1
# (plus the defaults 0/0 on the two smaller sets), on synthetic sets of 500 and 2000 sequences
# of 300 residues in 3 classes and on the shared medium set (181 sequences).
# Prints, per run: data, options, wall seconds of the whole run, the method's own mining
# seconds, the descriptor count, the peak memory and the output size; then the machine.
#
# Usage: bench/disclass.sh [BIN]    (BIN: folder of launcher and the library, default build/default/bin)
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

run() {  # label fasta cls alpha beta
    local label=$1 fasta=$2 cls=$3 alpha=$4 beta=$5 work="$out/disclass-$1-$4-$5"
    rm -rf "$work" && mkdir -p "$work"
    cp "$fasta" "$work/seq.fasta" && cp "$cls" "$work/seq.cls"
    # c, sequence file, classification file, no test file, ALPHA, BETA, ARFF name, key, q
    local script="c\nseq.fasta\nseq.cls\n\n$alpha\n$beta\n\n\nq\n"
    local start end
    start=$(date +%s.%N)
    printf "$script" | (cd "$work" && /usr/bin/time -f '%M' -o "$work/maxrss" "$bin/launcher") >"$work/stdout"
    end=$(date +%s.%N)
    local n_seq mining found size rss
    n_seq=$(grep -c '^>' "$fasta")
    mining=$(grep -o '[0-9.]* seconds' "$work/stdout" | head -1 | cut -d' ' -f1)
    found=$(grep -o '[0-9]*  discriminative descriptors' "$work/stdout" | cut -d' ' -f1)
    size=$(du -ck "$work"/Context.arff "$work"/LesDDs.txt "$work"/SeqFile.seq | tail -1 | cut -f1)
    rss=$(tail -1 "$work/maxrss")
    printf '%-15s %5d seqs  ALPHA=%-4s BETA=%-4s no test  %8.2f s total  %9s s mining  %6d descriptors  %7d KiB peak  %7d KiB written\n' \
        "$label" "$n_seq" "$alpha" "$beta" "$(echo "$end - $start" | bc)" "$mining" "$found" "$rss" "$size"
}

echo "Discriminative descriptors, launcher key c, classification file, no test file"
run medium "$shared/data/medium.fasta" "$shared/data/medium.cls" 0 0
run medium "$shared/data/medium.fasta" "$shared/data/medium.cls" 0.5 0.1
run synthetic-500 "$out/synthetic-500.fasta" "$out/synthetic-500.cls" 0 0
run synthetic-500 "$out/synthetic-500.fasta" "$out/synthetic-500.cls" 0.5 0.1
run synthetic-2000 "$out/synthetic-2000.fasta" "$out/synthetic-2000.cls" 0.5 0.1
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(uname -sr)"
echo "binaries: $bin"

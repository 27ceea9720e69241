#!/usr/bin/env bash
# N-gram method benchmark: the real launcher (menu key b) with a scripted standard input, default
# answers (N = 3, default output names) and a classification file, on synthetic sets of 500 and
# 2000 sequences of 300 residues in 3 classes and on the shared medium set (181 sequences).
# Prints, per run: data, options, wall seconds of the whole run, the method's own extraction
# seconds, the attribute count and the output size; then the machine.
#
# Usage: bench/ngrams.sh [BIN]    (BIN: folder of launcher and the library, default build/default/bin)
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

run() {  # label fasta cls
    local label=$1 fasta=$2 cls=$3 work="$out/run-$1"
    rm -rf "$work" && mkdir -p "$work"
    cp "$fasta" "$work/seq.fasta" && cp "$cls" "$work/seq.cls"
    # b, sequence file, classification file, no test file, N, ARFF, TXT, DAT names, key, q
    local script='b\nseq.fasta\nseq.cls\n\n\n\n\n\n\nq\n'
    local start end
    start=$(date +%s.%N)
    printf "$script" | (cd "$work" && "$bin/launcher") >"$work/stdout"
    end=$(date +%s.%N)
    local n_seq extract distinct size
    n_seq=$(grep -c '^>' "$fasta")
    extract=$(grep -o '[0-9.]* seconds' "$work/stdout" | head -1 | cut -d' ' -f1)
    distinct=$(grep -o '[0-9]* distinct N-Grams' "$work/stdout" | cut -d' ' -f1)
    size=$(du -ck "$work"/Context.* | tail -1 | cut -f1)
    printf '%-16s %5d seqs  N=3, classes, no test  %8.2f s total  %9s s extraction  %6d attributes  %7d KiB written\n' \
        "$label" "$n_seq" "$(echo "$end - $start" | bc)" "$extract" "$distinct" "$size"
}

echo "N-gram method, launcher key b, default answers with a classification file"
run medium "$shared/data/medium.fasta" "$shared/data/medium.cls"
run synthetic-500 "$out/synthetic-500.fasta" "$out/synthetic-500.cls"
run synthetic-2000 "$out/synthetic-2000.fasta" "$out/synthetic-2000.cls"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(uname -sr)"
echo "binaries: $bin"

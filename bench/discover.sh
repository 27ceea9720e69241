#!/bin/sh
# Active-motif discovery through the real launcher: default answers (form 1, minimum length 3,
# minimum occurrence Tot/3) with no mutation and with 2 mutations, on synthetic sets of 500 and
# 2000 sequences of 300 residues (3 classes) and on medium.fasta (181 real sequences).
# Prints, per run, the data, the options, the seconds the method reports for its search, the
# wall-clock seconds of the whole run (context files included) and the motif counts.
# A run is capped at CAP seconds (default 600): a capped run is marked so, with the counts the
# report held when it was stopped (the report is flushed after every motif).
#
#   bench/discover.sh [build-dir]     (default build/default; build DLL_Tessar and launcher first)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
bin=$(cd "${1:-$root/build/default}" && pwd)/bin
cap=${CAP:-600}
out=$here/out/discover
data=/work/shared/data
mkdir -p "$out"

[ -f "$out/syn500.fasta" ] || "$data/make-synthetic" "$out/syn500" --seqs 500 --len 300 --classes 3 --seed 1 >/dev/null
[ -f "$out/syn2000.fasta" ] || "$data/make-synthetic" "$out/syn2000" --seqs 2000 --len 300 --classes 3 --seed 1 >/dev/null
cp "$data/medium.fasta" "$data/medium.cls" "$out/"

echo "machine: $(uname -m), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores (shared)"
printf '%-14s %-24s %10s %10s %9s %9s\n' data options search_s wall_s found checked

run() {  # stem, mutations
    stem=$1 dist=$2
    dir=$out/run-$stem-d$dist
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$out/$stem.fasta" "$out/$stem.cls" "$dir/"
    # sequence file, classes, no test file, form, length, occurrence, mutations, report,
    # ARFF, TXT, DAT, key, quit
    printf 'a\n%s.fasta\n%s.cls\n\n\n\n\n%s\n\n\n\n\n\nq\n' "$stem" "$stem" "$dist" >"$dir/stdin"
    start=$(date +%s.%N)
    status=0
    (cd "$dir" && timeout "$cap" "$bin/launcher" <stdin >stdout 2>stderr) || status=$?
    end=$(date +%s.%N)
    wall=$(echo "$end - $start" | bc)
    search=$(grep -ao '[0-9.]* seconds' "$dir/stdout" | tail -1 | cut -d' ' -f1)
    if [ "$status" = 124 ]; then
        search="capped"
        found=$(grep -c "^	" "$dir/Report.out" || true)
        checked="?"
    else
        found=$(grep -a "motifs found" "$dir/Report.out" | awk '{print $1}')
        checked=$(grep -a "motifs checked" "$dir/Report.out" | awk '{print $1}')
    fi
    n=$(grep -c '>' "$dir/$stem.fasta")
    printf '%-14s %-24s %10s %10.1f %9s %9s\n' "$stem($n)" "form1 len3 occ=$((n / 3)) d=$dist" \
        "$search" "$wall" "$found" "$checked"
    rm -f "$dir"/Context.*  # hundreds of MB with 2 mutations; the report stays
}

for stem in medium syn500 syn2000; do
    for dist in 0 2; do run "$stem" "$dist"; done
done

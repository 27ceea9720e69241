#!/usr/bin/env bash
# The encoding workflow (workflows/encode) on 200,000 synthetic sequences of 300 residues,
# features learned from the 2000-sequence set, with `snakemake -j 1` and `-j 2`: N-grams (N = 3,
# sparse ARFF: 7993 features) and descriptors (ALPHA 0.5, BETA 0.1, dense ARFF), shards of
# 20,000 sequences. Prints per run the wall seconds of the whole workflow, the seconds of the
# learn, split and join jobs, the encode jobs' seconds (wall, and the sum of their processor
# seconds) and peak memory (Snakemake's benchmark: files), the size of the table and the speed-up of -j 2; then one `tessar encode` of the whole file for comparison
# (wall seconds and peak memory by /usr/bin/time), and the machine.
#
# Usage: bench/workflow.sh [BIN]    (BIN: folder of tessar, or a build folder; default build/default/bin)
#        SEQS=50000 bench/workflow.sh   (a smaller file)
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_setup "${1:-}"
[ -x "$BENCH_BIN/tessar" ] || { echo "no tessar in $BENCH_BIN: build it first" >&2; exit 1; }
command -v snakemake >/dev/null || { echo "no snakemake (Debian package snakemake)" >&2; exit 1; }

seqs=${SEQS:-200000}
shard=${SHARD:-20000}
stem=$BENCH_OUT/synthetic-$seqs
[ -f "$stem.fasta" ] ||
    python3 "$BENCH_ROOT/bench/make-synthetic" "$stem" --seqs "$seqs" --len 300 --classes 3 --seed 1 >/dev/null
train=$BENCH_OUT/synthetic-2000

# flow LABEL JOBS METHOD OPTIONS FORMAT: the workflow in a fresh folder bench/out/workflow-LABEL-jJOBS
flow() {
    local label=$1 jobs=$2 method=$3 options=$4 format=$5
    local work=$BENCH_OUT/workflow-$label-j$jobs
    rm -rf "$work" && mkdir -p "$work"
    cat >"$work/config.yaml" <<EOF
tessar: $BENCH_BIN/tessar
training: $train.fasta
classes: $train.cls
method: $method
options: "$options"
format: $format
shard_size: $shard
inputs:
  big: $stem.fasta
results: results
EOF
    python3 - "$work" "$jobs" "$BENCH_ROOT/workflows/encode/Snakefile" <<'PY'
import csv, glob, os, subprocess, sys, time
work, jobs, snakefile = sys.argv[1:]
start = time.monotonic()
run = subprocess.run(["snakemake", "-j", jobs, "-q", "--snakefile", snakefile, "--directory", work],
                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
wall = time.monotonic() - start
if run.returncode != 0:
    sys.exit(f"snakemake in {work}: status {run.returncode}: {run.stdout.decode()[-1500:]}")
def rows(path):
    with open(path) as f:
        return list(csv.DictReader(f, delimiter="\t"))[0]
learn = rows(os.path.join(work, "results/benchmarks/learn.tsv"))
split = rows(os.path.join(work, "results/benchmarks/split/big.tsv"))
join = rows(os.path.join(work, "results/benchmarks/join/big.tsv"))
parts = [rows(p) for p in sorted(glob.glob(os.path.join(work, "results/benchmarks/encode/big/*.tsv")))]
secs = [float(p["s"]) for p in parts]
cpu = sum(float(p["cpu_time"]) for p in parts)
rss = [float(p["max_rss"]) for p in parts]
table = glob.glob(os.path.join(work, "results/big.*"))[0]
label = os.path.basename(work)[len("workflow-"):]
print(f"{label:<16} {wall:6.1f} s wall  learn {float(learn['s']):.1f} s  split {float(split['s']):.1f} s  "
      f"{len(parts)} encode jobs {min(secs):.1f}-{max(secs):.1f} s (sum {sum(secs):.1f}, cpu {cpu:.1f})  "
      f"join {float(join['s']):.1f} s  peak {max(rss):.0f} MiB an encode job "
      f"(learn {float(learn['max_rss']):.0f})  table {os.path.getsize(table) / 1048576:.0f} MiB")
with open(os.path.join(work, "wall"), "w") as f:
    print(f"{wall:.2f}", file=f)
PY
}

# whole LABEL FORMAT: one tessar encode of the whole file with the model of LABEL's -j 1 run
whole() {
    local label=$1 format=$2 work=$BENCH_OUT/workflow-$1-j1
    /usr/bin/time -f "%e %M" -o "$work/whole.time" "$BENCH_BIN/tessar" encode "$stem.fasta" \
        --model "$work/results/model/model.txt" --format "$format" --out-dir "$work" --arff "$work/whole.table" -q
    cmp -s "$work/whole.table" "$work"/results/big.* && same="identical to the workflow's" || same="DIFFERS"
    read -r secs kib <"$work/whole.time"
    printf '%-16s %8.1f s wall  one tessar encode of the whole file, peak %.0f MiB, %s\n' \
        "$label-whole" "$secs" "$((kib / 1024))" "$same"
    rm -f "$work/whole.table"
}

speedup() {
    python3 -c "import sys; a, b = (float(open(p).read()) for p in sys.argv[1:]); print(f'$1: speed-up of -j 2 {a / b:.2f}')" \
        "$BENCH_OUT/workflow-$1-j1/wall" "$BENCH_OUT/workflow-$1-j2/wall"
}

echo "workflow on $(bench_seqs "$stem.fasta") sequences of about 300 residues, shards of $shard, trained on 2000"
for j in 1 2; do flow ngrams "$j" ngrams "-n 3" sparse-arff; done
speedup ngrams
whole ngrams sparse-arff
for j in 1 2; do flow disclass "$j" disclass "--alpha 0.5 --beta 0.1" arff; done
speedup disclass
whole disclass arff
# the tables are large: keep the benchmark files and logs, drop the tables
rm -f "$BENCH_OUT"/workflow-*/results/big.*
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
bench_machine

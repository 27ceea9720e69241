#!/usr/bin/env bash
# `tessar encode` against the cost of its own bytes, each figure taken side by side in one run:
#   plain   200,000 synthetic sequences of 300 residues, N-grams (N = 3, features learned from
#           synthetic-2000), written as sparse ARFF, against `cat out > copy` of that very table
#           (the table in the page cache): target at most 4 times the copy;
#   gzip    the same encode from the gzip-compressed input, against `zcat` of that input plus
#           the plain encode: target at most that sum;
#   motifs  the motif search with 2 mutations on synthetic-2000 with --threads 1 and --threads 2
#           (its context tables, 2.3 GB each, go to /dev/null; the reports are compared).
# Every encode run is repeated REPEAT times (default 3), the motif runs once, and the fastest
# wall time kept; the tables from the plain and the gzip input, and for --threads 1 and 2, must
# be the same bytes.
#
# Usage: bench/encode-speed.sh [BIN]    (BIN: folder of tessar, or a build folder; default build/default/bin)
#        SEQS=50000 REPEAT=1 bench/encode-speed.sh   (a smaller file, one run each)
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_setup "${1:-}"
[ -x "$BENCH_BIN/tessar" ] || { echo "no tessar in $BENCH_BIN: build it first" >&2; exit 1; }

seqs=${SEQS:-200000}
repeat=${REPEAT:-3}
stem=$BENCH_OUT/synthetic-$seqs
[ -f "$stem.fasta" ] ||
    python3 "$BENCH_ROOT/bench/make-synthetic" "$stem" --seqs "$seqs" --len 300 --classes 3 --seed 1 >/dev/null
[ -f "$stem.fasta.gz" ] || gzip -6 -c "$stem.fasta" >"$stem.fasta.gz"
train=$BENCH_OUT/synthetic-2000
work=$BENCH_OUT/encode-speed
rm -rf "$work" && mkdir -p "$work"
"$BENCH_BIN/tessar" ngrams "$train.fasta" --classes "$train.cls" -n 3 --out-dir "$work/model" \
    --save-model "$work/model.txt" -q

python3 - "$BENCH_BIN/tessar" "$work" "$stem" "$train" "$repeat" <<'PY'
import filecmp, os, subprocess, sys, time

tessar, work, stem, train, repeat = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])
model = os.path.join(work, "model.txt")
out = lambda name: os.path.join(work, name)


cpu = {}  # label -> processor seconds (user + system) of its fastest run


def fastest(label, shell, times=repeat):
    """The fastest wall seconds of `times` runs of the shell command."""
    best = None
    for _ in range(times):
        before = os.times()
        start = time.monotonic()
        run = subprocess.run(["bash", "-o", "pipefail", "-c", shell], stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE)
        wall = time.monotonic() - start
        after = os.times()
        if run.returncode != 0:
            sys.exit(f"{label}: status {run.returncode}: {run.stderr.decode()[-800:]}")
        if best is None or wall < best:
            best = wall
            cpu[label] = (after.children_user - before.children_user) + (after.children_system - before.children_system)
    return best


def q(path):
    return "'" + path.replace("'", "'\\''") + "'"


def encode(source, table, threads=""):
    return (f"{q(tessar)} encode {q(source)} --model {q(model)} --format sparse-arff "
            f"--arff {q(table)} -q {threads}")


rows = []
enc = fastest("encode", encode(stem + ".fasta", out("plain.arff")))
subprocess.run(["cat", out("plain.arff")], stdout=subprocess.DEVNULL, check=True)  # into the page cache
copy = fastest("cat", f"cat {q(out('plain.arff'))} > {q(out('copy.arff'))}")
mib = os.path.getsize(out("plain.arff")) / 1048576
rows.append(("encode, sparse ARFF", enc, f"cat of the table ({mib:.0f} MiB)", copy, enc / copy, "at most 4x"))
os.remove(out("copy.arff"))

enc_gz = fastest("encode .gz", encode(stem + ".fasta.gz", out("gzip.arff")))
zcat = fastest("zcat", f"zcat {q(stem + '.fasta.gz')} > /dev/null")
rows.append(("encode from .gz", enc_gz, "zcat of the input + plain encode", zcat + enc, enc_gz / (zcat + enc),
             "at most 1x"))
if not filecmp.cmp(out("plain.arff"), out("gzip.arff"), shallow=False):
    sys.exit("the table from the gzip input differs from the plain input's")
os.remove(out("gzip.arff"))

one = fastest("encode --threads 1", encode(stem + ".fasta", out("one.arff"), "--threads 1"))
rows.append(("encode, --threads 1", one, "encode, --threads 2 (default)", enc, one / enc, "(speed-up)"))
if not filecmp.cmp(out("plain.arff"), out("one.arff"), shallow=False):
    sys.exit("the table of --threads 1 differs from the default's")
for name in ("plain.arff", "one.arff"):
    os.remove(out(name))

motif_runs = {}
for threads in ("1", "2"):
    folder = out(f"motifs-{threads}")
    motif_runs[threads] = fastest(
        f"motifs --threads {threads}",
        f"rm -rf {q(folder)} && {q(tessar)} motifs {q(train + '.fasta')} --classes {q(train + '.cls')} "
        f"--mutations 2 --out-dir {q(folder)} --arff /dev/null --txt /dev/null --dat /dev/null "
        f"--threads {threads} -q", times=1)
report = [open(os.path.join(out(f"motifs-{t}"), "Report.out"), "rb").read() for t in ("1", "2")]
if report[0] != report[1]:
    sys.exit("the motif report of --threads 1 differs from --threads 2")
for t in ("1", "2"):
    subprocess.run(["rm", "-rf", out(f"motifs-{t}")], check=True)
rows.append(("motifs, 2 mutations, --threads 1", motif_runs["1"], "the same, --threads 2", motif_runs["2"],
             motif_runs["1"] / motif_runs["2"], "(speed-up)"))

print(f"encode: fastest of {repeat} runs each, {os.path.basename(stem)}; motifs: one run each, synthetic-2000")
print(f"load average at the end: {os.getloadavg()[0]:.1f}; processor seconds of every fastest run:")
print("  " + ", ".join(f"{label} {s:.2f}" for label, s in cpu.items()))
print(f"| run | s | against | s | ratio | target |")
print(f"| --- | ---: | --- | ---: | ---: | --- |")
for label, a, against, b, ratio, target in rows:
    print(f"| {label} | {a:.2f} | {against} | {b:.2f} | {ratio:.2f} | {target} |")
PY
bench_machine

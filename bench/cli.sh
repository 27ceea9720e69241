#!/usr/bin/env bash
# Command-line benchmark: `tessar ngrams` and `tessar disclass` on 20,000 synthetic sequences of
# 300 residues in 3 classes (ten times the menu's limit), each in the dense ARFF format and in
# sparse ARFF. Prints, per run: the wall seconds, the peak resident memory, the feature count
# from the summary line and the size of what was written; then the machine.
#
# Usage: bench/cli.sh [BIN]    (BIN: folder of tessar, or a build folder; default build/default/bin)
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_setup "${1:-}"
bench_tessar_20000
stem=$BENCH_STEM

# run LABEL ARGS...: tessar ARGS in a fresh folder bench/out/cli-LABEL
run() {
    local label=$1 work=$BENCH_OUT/cli-$1
    shift
    rm -rf "$work" && mkdir -p "$work"
    python3 - "$work" "$BENCH_BIN/tessar" "$@" <<'PY'
import os, subprocess, sys, tempfile, time
work, tessar, args = sys.argv[1], sys.argv[2], sys.argv[3:]
with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
    start = time.monotonic()
    p = subprocess.Popen([tessar] + args + ["--out-dir", work], stdout=out, stderr=err)
    # wait4: this run's own peak memory, not the largest of every run so far
    _, raw, usage = os.wait4(p.pid, 0)
    wall = time.monotonic() - start
    p.returncode = status = os.waitstatus_to_exitcode(raw)
    out.seek(0); err.seek(0)
    stdout, stderr = out.read().decode(), err.read().decode()
if status != 0:
    sys.exit(f"tessar {' '.join(args)}: status {status}: {stderr[:500]}")
peak = usage.ru_maxrss / 1024
written = sum(os.path.getsize(os.path.join(work, n)) for n in os.listdir(work)) / 1048576
summary = stdout.split(" -> ")[0]
print(f"{os.path.basename(work)[4:]:<22} {wall:8.2f} s  {peak:8.0f} MiB peak  {written:8.0f} MiB written  {summary}")
PY
}

echo "tessar on $(bench_seqs "$stem.fasta") sequences of about 300 residues, 3 classes"
run ngrams ngrams "$stem.fasta" --classes "$stem.cls" --txt "$BENCH_OUT/cli-ngrams/Context.txt" --dat "$BENCH_OUT/cli-ngrams/Context.dat"
run ngrams-sparse ngrams "$stem.fasta" --classes "$stem.cls" --format sparse-arff --txt "$BENCH_OUT/cli-ngrams-sparse/Context.txt" \
    --dat "$BENCH_OUT/cli-ngrams-sparse/Context.dat"
run disclass disclass "$stem.fasta" --classes "$stem.cls" --alpha 0.5 --beta 0.1
run disclass-sparse disclass "$stem.fasta" --classes "$stem.cls" --alpha 0.5 --beta 0.1 --format sparse-arff
bench_machine

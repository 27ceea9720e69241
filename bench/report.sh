#!/usr/bin/env bash
# What a run report (--html and --json) adds to a run: each method on 20,000 synthetic sequences
# of 300 residues in 3 classes, without and with the report, the two runs in turn ROUNDS times
# (default 5); prints the least processor seconds (user + system, from wait4) of each, which a
# busy machine disturbs less than wall time, the least wall seconds, and what the report adds.
#
# Usage: bench/report.sh [BIN]    (BIN: folder of tessar, or a build folder; default build/default/bin)
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_setup "${1:-}"
bench_tessar_20000
stem=$BENCH_STEM

# compare LABEL ARGS...: tessar ARGS without and with the report, in fresh folders
compare() {
    local label=$1
    shift
    python3 - "$BENCH_OUT/report-$label" "$BENCH_BIN/tessar" "${ROUNDS:-5}" "$label" "$@" <<'PY'
import os, shutil, subprocess, sys, time
work, tessar, rounds, label, args = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5:]
report = ["--html", os.path.join(work, "report.html"), "--json", os.path.join(work, "report.json")]
cpu = {False: float("inf"), True: float("inf")}
wall = dict(cpu)
for _ in range(rounds):
    for with_report in (False, True):
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
        start = time.monotonic()
        p = subprocess.Popen([tessar] + args + ["--out-dir", work, "--quiet"] + (report if with_report else []))
        _, status, usage = os.wait4(p.pid, 0)
        if status != 0:
            sys.exit(f"tessar {' '.join(args)}: status {status}")
        wall[with_report] = min(wall[with_report], time.monotonic() - start)
        cpu[with_report] = min(cpu[with_report], usage.ru_utime + usage.ru_stime)
page = os.path.getsize(os.path.join(work, "report.html")) / 1024
added = cpu[True] - cpu[False]
print(f"| {label} | {cpu[False]:.2f} | {cpu[True]:.2f} | {added:+.2f} | {100 * added / cpu[False]:+.1f} % "
      f"| {wall[False]:.2f} | {wall[True]:.2f} | {page:.0f} |")
PY
}

echo "tessar on $(bench_seqs "$stem.fasta") sequences of about 300 residues, 3 classes; least of ${ROUNDS:-5} rounds"
echo "| run | cpu s without | cpu s with report | added s | added | wall s without | wall s with | page KiB |"
echo "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
compare ngrams ngrams "$stem.fasta" --classes "$stem.cls"
compare ngrams-sparse ngrams "$stem.fasta" --classes "$stem.cls" --format sparse-arff
compare disclass disclass "$stem.fasta" --classes "$stem.cls" --alpha 0.5 --beta 0.1
compare ddms ddms "$stem.fasta" --classes "$stem.cls" --alpha 0.5 --beta 0.1
bench_machine

#!/usr/bin/env bash
# The motif search's cost at limits past what the data reach, through `tessar motifs`: one
# sequence of 300,000 residues (random, seed 3), least lengths from 3 to past the sequence with
# a count of sequences it cannot reach (--min-occurrence 2), and a least length past it with one
# it can (--min-occurrence 1). Prints per run the options, the wall seconds (each run capped at
# CAP seconds, default 120) and the summary's counts.
#
#   bench/limits.sh [BIN]    (BIN: folder of tessar, or a build folder; default build/default/bin)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/default/bin}
[ -x "$bin/tessar" ] || bin=$bin/bin
[ -x "$bin/tessar" ] || { echo "no tessar in ${1:-build/default/bin}: build it first" >&2; exit 1; }
cap=${CAP:-120}
work=$root/bench/out/limits
mkdir -p "$work"
fasta=$work/one-300000.fasta
[ -f "$fasta" ] || python3 - "$fasta" <<'PY'
import random, sys
rng = random.Random(3)
residues = "".join(rng.choice("ACDEFGHIKLMNPQRSTVWY") for _ in range(300000))
with open(sys.argv[1], "w") as f:
    f.write(">one\n" + "".join(residues[k:k + 60] + "\n" for k in range(0, len(residues), 60)))
PY

printf '%-40s %9s  %s\n' options wall_s summary
for options in "--min-length 3 --min-occurrence 2" "--min-length 1000 --min-occurrence 2" \
               "--min-length 20000 --min-occurrence 2" "--min-length 299999 --min-occurrence 2" \
               "--min-length 300001 --min-occurrence 2" "--min-length 300001 --min-occurrence 1" \
               "--form 2 --min-length 600001 --min-occurrence 2"; do
    start=$(date +%s.%N)
    # shellcheck disable=SC2086  # the options are words
    if summary=$(cd "$work" && timeout "$cap" "$bin/tessar" motifs "$fasta" $options 2>/dev/null); then
        summary=${summary%% ->*}
    else
        summary="capped at $cap s"
    fi
    printf '%-40s %9.2f  %s\n' "$options" "$(python3 -c "import time; print(time.time() - $start)")" "$summary"
done
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"

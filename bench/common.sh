# Shared part of the benchmark scripts, sourced by each of them (bash only):
#   - the folders: BENCH_ROOT (the repository), BENCH_BIN (launcher and library),
#     BENCH_DATA (tests/data, the real medium set), BENCH_OUT (bench/out, gitignored);
#   - the synthetic data sets, made once by bench/make-synthetic and kept in bench/out:
#     synthetic-500.{fasta,cls} and synthetic-2000.{fasta,cls}, 300 residues a sequence,
#     3 classes, seed 1 (always the same);
#   - bench_launch, which runs the launcher on a scripted standard input in a fresh work folder
#     and prints the wall seconds;
#   - bench_machine, the machine line printed under every table.
# Times are taken in python3 (no bc needed); python3 is already a build and test requirement.

# bench_setup [FOLDER]: FOLDER is the folder of launcher and libDLL_Tessar.so, or a build folder
# holding them in bin/ (default build/default/bin).
bench_setup() {
    BENCH_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    local given=${1:-$BENCH_ROOT/build/default/bin}
    [ -d "$given" ] || { echo "no folder $given" >&2; exit 1; }
    BENCH_BIN=$(cd "$given" && pwd)
    # a build folder has a launcher/ source folder of its own: look for the program, not the name
    [ -f "$BENCH_BIN/launcher" ] || [ ! -f "$BENCH_BIN/bin/launcher" ] || BENCH_BIN=$BENCH_BIN/bin
    [ -f "$BENCH_BIN/launcher" ] && [ -x "$BENCH_BIN/launcher" ] || { echo "no launcher in $BENCH_BIN: build first" >&2; exit 1; }
    [ -e "$BENCH_BIN/libDLL_Tessar.so" ] ||
        { echo "no libDLL_Tessar.so in $BENCH_BIN: build DLL_Tessar first" >&2; exit 1; }
    BENCH_DATA=$BENCH_ROOT/tests/data
    BENCH_OUT=$BENCH_ROOT/bench/out
    mkdir -p "$BENCH_OUT"
    local n
    for n in 500 2000; do
        [ -f "$BENCH_OUT/synthetic-$n.fasta" ] && [ -f "$BENCH_OUT/synthetic-$n.cls" ] ||
            python3 "$BENCH_ROOT/bench/make-synthetic" "$BENCH_OUT/synthetic-$n" \
                --seqs "$n" --len 300 --classes 3 --seed 1 >/dev/null
    done
}

# bench_tessar_20000: for the scripts of `tessar`: checks that BENCH_BIN holds tessar, makes
# bench/out/synthetic-20000.{fasta,cls} once (20,000 sequences of 300 residues, 3 classes, seed 1)
# and sets BENCH_STEM to its stem.
bench_tessar_20000() {
    [ -x "$BENCH_BIN/tessar" ] || { echo "no tessar in $BENCH_BIN: build it first" >&2; exit 1; }
    BENCH_STEM=$BENCH_OUT/synthetic-20000
    [ -f "$BENCH_STEM.fasta" ] && [ -f "$BENCH_STEM.cls" ] ||
        python3 "$BENCH_ROOT/bench/make-synthetic" "$BENCH_STEM" --seqs 20000 --len 300 --classes 3 --seed 1 >/dev/null
}

# bench_seqs FASTA: number of sequences in FASTA.
bench_seqs() {
    grep -c '^>' "$1"
}

# bench_launch [-c CAP] WORK STDIN [FILE...]
# Makes WORK afresh, copies each FILE into it, writes STDIN (printf %b escapes, e.g. \n) to
# WORK/stdin and runs the launcher in WORK with it; the launcher's output goes to WORK/stdout and
# WORK/stderr. Prints the wall seconds of the run. Writes WORK/status (the exit status, 124 when
# the run was stopped at CAP seconds) and WORK/maxrss (peak resident memory in KiB).
# Returns 0 for a run that ended with status 0 or was stopped at CAP, 1 otherwise.
bench_launch() {
    local cap=0
    if [ "$1" = -c ]; then cap=$2; shift 2; fi
    local work=$1 stdin=$2
    shift 2
    rm -rf "$work" && mkdir -p "$work"
    [ $# -eq 0 ] || cp "$@" "$work/"
    printf '%b' "$stdin" >"$work/stdin"
    python3 - "$work" "$cap" "$BENCH_BIN/launcher" <<'EOF'
import os, subprocess, sys, threading, time

work, cap, launcher = sys.argv[1], float(sys.argv[2]), sys.argv[3]
path = lambda name: os.path.join(work, name)
with open(path("stdin"), "rb") as i, open(path("stdout"), "wb") as o, \
        open(path("stderr"), "wb") as e:
    start = time.monotonic()
    p = subprocess.Popen([launcher], cwd=work, stdin=i, stdout=o, stderr=e)
    stopped = threading.Event()
    def stop():
        stopped.set()
        p.terminate()
    timer = threading.Timer(cap, stop) if cap > 0 else None
    if timer:
        timer.start()
    # wait4 gives the launcher's own peak memory, not the largest of every child this script
    # ever waited for.
    _, raw, usage = os.wait4(p.pid, 0)
    wall = time.monotonic() - start
    if timer:
        timer.cancel()
    p.returncode = status = 124 if stopped.is_set() else os.waitstatus_to_exitcode(raw)
with open(path("status"), "w") as f:
    print(status, file=f)
with open(path("maxrss"), "w") as f:
    print(usage.ru_maxrss, file=f)
print(f"{wall:.3f}")
if status not in (0, 124):
    print(f"launcher ended with status {status} in {work} (see stdout, stderr there)",
          file=sys.stderr)
    sys.exit(1)
EOF
}

# bench_machine: the machine line, then the binaries measured.
bench_machine() {
    local model mem
    model=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')
    mem=$(awk '/^MemTotal/ {printf "%.0f", $2 / 1048576}' /proc/meminfo)
    echo "machine: $(nproc) cores, ${model:-unknown CPU}, $mem GiB, $(uname -srm)"
    echo "binaries: $BENCH_BIN"
}

#!/usr/bin/env bash
# The methods before and after the speed work, side by side: the same runs through the real
# launcher with the same scripted answers, with a check that both wrote the same bytes.
#
# Base: commit df4144a, checked out as a git worktree in bench/out/base-df4144a/src and built
# there (Release, tests off). Now: this tree, built in bench/out/now (Release, tests off).
# Either build can be given instead with --base-bin / --now-bin (a folder holding launcher and
# libDLL_Tessar.so, or a build folder holding them in bin/).
#
# Runs (synthetic sets made by bench/make-synthetic, 300 residues, 3 classes, seed 1):
#   ngrams-2000         N-grams, N = 3, classification file
#   motifs-2000         motifs, default answers (form 1, length 3, Tot/3, 0 mutations)
#   disclass-0.5-2000   DisClass, ALPHA 0.5, BETA 0.1
#   disclass-2000       DisClass, default answers
#   ddms-500            DDMS, default answers
#   ddms-2000           DDMS, default answers
#   motifs-2mut-500     motifs, 2 mutations
#   motifs-2mut-2000    motifs, 2 mutations
#
# For each run: wall seconds of base and now, the speed-up, the peak resident memory of each,
# and whether every file the two runs wrote is byte for byte the same (compared with cmp when
# both fit in bench/out at once, by SHA-256 otherwise; the files are deleted afterwards). The
# console is compared too, with the seconds the methods print masked.
#
# Options:
#   --runs "NAME ..."    only these runs (default: all, in the order above)
#   --repeat N           run each side N times, keep the fastest (default 1)
#   --cap S              stop any run after S seconds (reported as capped, nothing compared)
#   --base-cap S         the same for base runs only
#   --skip-slow-base     do not run base on the two motif runs with 2 mutations (2 to 27 min):
#                        their base seconds are then the figures measured on the base commit
#                        (112 s and 1596 s, bench/README.md), marked "(table)"
#   --base-bin DIR, --now-bin DIR   use these builds
#
# Example: bench/compare.sh --skip-slow-base --repeat 3
set -euo pipefail
. "$(dirname "$0")/common.sh"

BASE_COMMIT=df4144a
runs="ngrams-2000 motifs-2000 disclass-0.5-2000 disclass-2000 ddms-500 ddms-2000 motifs-2mut-500 motifs-2mut-2000"
repeat=1 cap=0 base_cap=0 skip_slow_base=0 base_bin="" now_bin=""
while [ $# -gt 0 ]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --repeat) repeat=$2; shift 2 ;;
        --cap) cap=$2; shift 2 ;;
        --base-cap) base_cap=$2; shift 2 ;;
        --skip-slow-base) skip_slow_base=1; shift ;;
        --base-bin) base_bin=$2; shift 2 ;;
        --now-bin) now_bin=$2; shift 2 ;;
        -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        *) echo "unknown option $1 (see --help)" >&2; exit 1 ;;
    esac
done
for n in "$repeat" "$cap" "$base_cap"; do
    case $n in '' | *[!0-9]*) echo "--repeat, --cap and --base-cap take whole numbers" >&2; exit 1 ;; esac
done
[ "$repeat" -ge 1 ] || { echo "--repeat must be at least 1" >&2; exit 1; }

ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$ROOT/bench/out
mkdir -p "$OUT"

# release_build SOURCE BUILD: configures and builds launcher and the library, tests off.
release_build() {
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$2" -j2 --target launcher DLL_Tessar >/dev/null
}

if [ -z "$base_bin" ]; then
    src=$OUT/base-$BASE_COMMIT/src
    if [ ! -d "$src" ]; then
        echo "checking out $BASE_COMMIT in $src" >&2
        git -C "$ROOT" worktree add --detach "$src" "$BASE_COMMIT" >/dev/null 2>&1
    fi
    echo "building base ($BASE_COMMIT)" >&2
    release_build "$src" "$OUT/base-$BASE_COMMIT/build"
    base_bin=$OUT/base-$BASE_COMMIT/build/bin
fi
if [ -z "$now_bin" ]; then
    echo "building now ($(git -C "$ROOT" rev-parse --short HEAD)$(git -C "$ROOT" diff --quiet HEAD -- . 2>/dev/null || echo ', with uncommitted changes'))" >&2
    release_build "$ROOT" "$OUT/now"
    now_bin=$OUT/now/bin
fi

# the data sets (bench_setup makes them), then the two builds
bench_setup "$now_bin"
now_bin=$BENCH_BIN
bench_setup "$base_bin"
base_bin=$BENCH_BIN

# stdin_of RUN: the scripted answers; data_of RUN: the set it reads
stdin_of() {
    local n=${1##*-} fasta cls
    fasta=synthetic-$n.fasta cls=synthetic-$n.cls
    case $1 in
        ngrams-*) echo "b\n$fasta\n$cls\n\n\n\n\n\n\nq\n" ;;
        motifs-2mut-*) echo "a\n$fasta\n$cls\n\n\n\n\n2\n\n\n\n\n\nq\n" ;;
        motifs-*) echo "a\n$fasta\n$cls\n\n\n\n\n0\n\n\n\n\n\nq\n" ;;
        disclass-0.5-*) echo "c\n$fasta\n$cls\n\n0.5\n0.1\n\n\nq\n" ;;
        disclass-*) echo "c\n$fasta\n$cls\n\n\n\n\n\nq\n" ;;
        ddms-*) echo "d\n$fasta\n$cls\n\n\n\n\n\n\n\nq\n" ;;
        *) echo "unknown run $1" >&2; exit 1 ;;
    esac
}
# the base figures of the runs too slow to repeat at will, measured on the base commit
table_seconds() {
    case $1 in
        motifs-2mut-500) echo 112 ;;
        motifs-2mut-2000) echo 1596 ;;
        *) echo "" ;;
    esac
}

# the files a run wrote: everything in its work folder but the harness's and the inputs
outputs_of() {
    (cd "$1" && ls | grep -v -x -E 'stdin|stdout|stderr|status|maxrss|synthetic-[0-9]+\.(fasta|cls)|.*\.sha256' || true)
}

# run_side BIN WORK RUN CAP: the fastest of `repeat` runs; prints "seconds status maxrss".
run_side() {
    local bin=$1 work=$2 run=$3 cap=$4 n=${3##*-} best="" status=0 rss=0 i t
    for ((i = 0; i < repeat; ++i)); do
        BENCH_BIN=$bin
        t=$(bench_launch -c "$cap" "$work" "$(stdin_of "$run")" \
            "$BENCH_OUT/synthetic-$n.fasta" "$BENCH_OUT/synthetic-$n.cls") || { echo "fail 1 0"; return; }
        status=$(cat "$work/status")
        rss=$(cat "$work/maxrss")
        [ "$status" = 124 ] && { echo "$t capped $rss"; return; }
        if [ -z "$best" ] || python3 -c "import sys; sys.exit(0 if $t < $best else 1)"; then best=$t; fi
        [ $((i + 1)) -lt "$repeat" ] && rm -rf "$work"
    done
    echo "$best $status $rss"
}

# same_outputs BASE_WORK NOW_WORK: "yes", or what differs
same_outputs() {
    local a=$1 b=$2 f bytes diffs=""
    [ "$(outputs_of "$a")" = "$(outputs_of "$b")" ] || { echo "different file names"; return; }
    for f in $(outputs_of "$a"); do
        if [ -f "$a/$f.sha256" ]; then
            [ "$(cat "$a/$f.sha256")" = "$(sha256sum <"$b/$f" | cut -d' ' -f1)" ] || diffs="$diffs $f"
        else
            cmp -s "$a/$f" "$b/$f" || diffs="$diffs $f"
        fi
    done
    # the console, with the seconds the methods print masked
    diff -q <(sed -E 's/[0-9]+\.[0-9]+ seconds/# seconds/g' "$a/stdout") \
            <(sed -E 's/[0-9]+\.[0-9]+ seconds/# seconds/g' "$b/stdout") >/dev/null || diffs="$diffs console"
    [ -z "$diffs" ] && echo yes || echo "differ:$diffs"
}

# Files of more than 1 GiB are kept as their checksum only, so that two runs never hold bench/out
# at twice the largest output.
checksum_large() {
    local f
    for f in $(outputs_of "$1"); do
        if [ "$(stat -c %s "$1/$f")" -gt 1073741824 ]; then
            sha256sum <"$1/$f" | cut -d' ' -f1 >"$1/$f.sha256"
            rm -f "$1/$f"
            touch "$1/$f"  # the name stays, for the comparison of names
        fi
    done
}

mib() { python3 -c "print(f'{$1 / 1024:.0f}')"; }

printf '| run | base s | now s | speed-up | base peak MiB | now peak MiB | same bytes |\n'
printf '| --- | ---: | ---: | ---: | ---: | ---: | --- |\n'
for run in $runs; do
    stdin_of "$run" >/dev/null
    base_work=$OUT/compare-base-$run now_work=$OUT/compare-now-$run
    rm -rf "$base_work" "$now_work"

    from_table=$(table_seconds "$run")
    if [ "$skip_slow_base" = 1 ] && [ -n "$from_table" ]; then
        read -r base_s base_status base_rss <<<"$from_table table 0"
    else
        side_cap=$cap
        [ "$base_cap" -gt 0 ] && { [ "$side_cap" = 0 ] || [ "$base_cap" -lt "$side_cap" ]; } && side_cap=$base_cap
        read -r base_s base_status base_rss <<<"$(run_side "$base_bin" "$base_work" "$run" "$side_cap")"
        [ "$base_status" = 0 ] && checksum_large "$base_work"
    fi
    read -r now_s now_status now_rss <<<"$(run_side "$now_bin" "$now_work" "$run" "$cap")"

    if [ "$base_status" = 0 ] && [ "$now_status" = 0 ]; then
        same=$(same_outputs "$base_work" "$now_work")
    elif [ "$base_status" = table ] && [ "$now_status" = 0 ]; then
        same="not compared (base not run)"
    else
        same="not compared (base $base_status, now $now_status)"
    fi
    base_text=$base_s
    case $base_status in
        table) base_text="$from_table (table)" ;;
        capped) base_text="> $base_s (capped)" ;;
    esac
    now_text=$now_s
    [ "$now_status" = capped ] && now_text="> $now_s (capped)"
    case "$base_status $now_status" in
        "0 0" | "table 0") speedup=$(python3 -c "print(f'{$base_s / max($now_s, 1e-3):.1f}x')") ;;
        "capped 0") speedup="> $(python3 -c "print(f'{$base_s / max($now_s, 1e-3):.1f}x')")" ;;
        *) speedup="-" ;;
    esac
    base_mem=$( [ "$base_status" = table ] && echo "-" || mib "$base_rss")
    printf '| %s | %s | %s | %s | %s | %s | %s |\n' "$run" "$base_text" "$now_text" "$speedup" \
        "$base_mem" "$(mib "$now_rss")" "$same"
    rm -rf "$base_work" "$now_work"
done
echo
relative() { python3 -c "import os, sys; print(os.path.relpath(sys.argv[1], sys.argv[2]))" "$1" "$ROOT"; }
bench_machine | sed "s|binaries: .*|binaries: base $(relative "$base_bin"), now $(relative "$now_bin")|"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) at $(date -u '+%Y-%m-%d %H:%M UTC')"

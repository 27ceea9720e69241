#!/usr/bin/env bash
# The exact-presence engine before and after the automaton: `tessar encode` of a large synthetic
# file with models of many features, the base build (one rolling hash per text length) and this
# tree (one automaton over every text) side by side, with a check that both wrote the same bytes.
#
# Base: commit 7095160, checked out as a git worktree in bench/out/presence-base-7095160/src and built
# there (Release, tests off, target tessar). Now: this tree, built in bench/out/presence-now.
# Either can be given instead with --base-bin / --now-bin (the folder holding tessar).
#
# Models, learned once by this tree's tessar with --save-model (the features do not depend on
# the engine) from the synthetic sets (bench/make-synthetic, 300 residues, 3 classes, seed 1):
#   ngrams-2000         tessar ngrams synthetic-2000 (N = 3)
#   disclass-0.5-2000   tessar disclass synthetic-2000 --alpha 0.5 --beta 0.1
#   disclass-500        tessar disclass synthetic-500 (ALPHA = BETA = 0)
#   disclass-2000       tessar disclass synthetic-2000 (ALPHA = BETA = 0)
#   motifs-2mut-500     tessar motifs synthetic-500 --mutations 2 (form 1)
#   pairs-500           tessar motifs synthetic-500 --form 2 --min-occurrence 40
# Each model then encodes synthetic-20000 (6 million residues; pairs-500: synthetic-2000, as the
# base build takes minutes for it) into sparse ARFF (no classification file: the class is ?).
#
# For each run: features and their distinct lengths, wall and processor (user + system) seconds
# of base and now (the fastest of --repeat runs), the speed-up of the wall seconds, the peak
# resident memory of each, and whether the two tables are byte for byte the same.
#
# Options:
#   --runs "NAME ..."              only these runs (default: all, in the order above)
#   --repeat N                     run each side N times, keep the fastest (default 3)
#   --base-bin DIR, --now-bin DIR  use these builds
set -euo pipefail
. "$(dirname "$0")/common.sh"

BASE_COMMIT=7095160
runs="ngrams-2000 disclass-0.5-2000 disclass-500 disclass-2000 motifs-2mut-500 pairs-500"
repeat=3 base_bin="" now_bin=""
while [ $# -gt 0 ]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --repeat) repeat=$2; shift 2 ;;
        --base-bin) base_bin=$2; shift 2 ;;
        --now-bin) now_bin=$2; shift 2 ;;
        -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        *) echo "unknown option $1 (see --help)" >&2; exit 1 ;;
    esac
done
case $repeat in '' | *[!0-9]* | 0) echo "--repeat takes a whole number from 1" >&2; exit 1 ;; esac

ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=$ROOT/bench/out
WORK=$OUT/presence
mkdir -p "$WORK"

# release_build SOURCE BUILD: configures and builds tessar, tests off.
release_build() {
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$2" -j2 --target tessar >/dev/null
}
if [ -z "$base_bin" ]; then
    src=$OUT/presence-base-$BASE_COMMIT/src
    if [ ! -d "$src" ]; then
        echo "checking out $BASE_COMMIT in $src" >&2
        git -C "$ROOT" worktree add --detach "$src" "$BASE_COMMIT" >/dev/null 2>&1
    fi
    echo "building base ($BASE_COMMIT)" >&2
    release_build "$src" "$OUT/presence-base-$BASE_COMMIT/build"
    base_bin=$OUT/presence-base-$BASE_COMMIT/build/bin
fi
if [ -z "$now_bin" ]; then
    echo "building this tree" >&2
    release_build "$ROOT" "$OUT/presence-now"
    now_bin=$OUT/presence-now/bin
fi
for bin in "$base_bin" "$now_bin"; do
    [ -x "$bin/tessar" ] || { echo "no tessar in $bin" >&2; exit 1; }
done

# the synthetic sets: 500 and 2000 from bench_setup's folder, 20000 made here
synthetic() {
    local stem=$OUT/synthetic-$1
    [ -f "$stem.fasta" ] && [ -f "$stem.cls" ] ||
        python3 "$ROOT/bench/make-synthetic" "$stem" --seqs "$1" --len 300 --classes 3 --seed 1 >/dev/null
    echo "$stem"
}

# learn NAME: the model file of run NAME, learned once
learn() {
    local model=$WORK/models/$1.txt set args
    case $1 in
        ngrams-2000) set=2000 args="ngrams" ;;
        disclass-0.5-2000) set=2000 args="disclass --alpha 0.5 --beta 0.1" ;;
        disclass-500) set=500 args="disclass" ;;
        disclass-2000) set=2000 args="disclass" ;;
        motifs-2mut-500) set=500 args="motifs --mutations 2" ;;
        pairs-500) set=500 args="motifs --form 2 --min-occurrence 40" ;;
        *) echo "unknown run $1" >&2; exit 1 ;;
    esac
    if [ ! -f "$model" ]; then
        local stem learn_dir=$WORK/learn-$1
        stem=$(synthetic $set)
        mkdir -p "$WORK/models"
        rm -rf "$learn_dir"
        # shellcheck disable=SC2086
        "$now_bin/tessar" $args "$stem.fasta" --classes "$stem.cls" --format sparse-arff \
            --save-model "$model" --out-dir "$learn_dir" --quiet
        rm -rf "$learn_dir"
    fi
    echo "$model"
}

# encode BIN MODEL STEM TABLE: one timed run; prints "wall cpu peak_mib"
encode() {
    python3 - "$1/tessar" "$2" "$3" "$4" <<'PY'
import os, subprocess, sys, time
tessar, model, stem, table = sys.argv[1:]
start = time.monotonic()
p = subprocess.Popen([tessar, "encode", stem + ".fasta", "--model", model, "--format", "sparse-arff",
                      "--arff", table, "--quiet"])
_, raw, usage = os.wait4(p.pid, 0)
wall = time.monotonic() - start
if os.waitstatus_to_exitcode(raw) != 0:
    sys.exit(f"{tessar} encode --model {model}: status {os.waitstatus_to_exitcode(raw)}")
print(f"{wall:.3f} {usage.ru_utime + usage.ru_stime:.3f} {usage.ru_maxrss / 1024:.0f}")
PY
}

# best BIN MODEL STEM TABLE: the fastest of $repeat runs (by wall seconds)
best() {
    local r line fastest=""
    for ((r = 0; r < repeat; r++)); do
        line=$(encode "$@")
        if [ -z "$fastest" ] || python3 -c "import sys; sys.exit(not ${line%% *} < ${fastest%% *})"; then
            fastest=$line
        fi
    done
    echo "$fastest"
}

echo "| run | features | lengths | encoded | base s | now s | speed-up | base cpu s | now cpu s | base peak MiB | now peak MiB | same bytes |"
echo "| --- | ---: | ---: | --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | --- |"
for run in $runs; do
    model=$(learn "$run")
    case $run in pairs-500) n=2000 ;; *) n=20000 ;; esac
    stem=$(synthetic $n)
    features=$(awk '$1 == "features" { print $2; exit }' "$model")
    # distinct lengths of the texts the engine indexes (form 2: of every X and Y)
    lengths=$(awk '$1 == "feature" { for (i = 2; i <= NF; i++) seen[length($i)] = 1 }
                   END { print length(seen) }' "$model")
    read -r base_wall base_cpu base_peak < <(best "$base_bin" "$model" "$stem" "$WORK/base.arff")
    read -r now_wall now_cpu now_peak < <(best "$now_bin" "$model" "$stem" "$WORK/now.arff")
    same=no
    cmp -s "$WORK/base.arff" "$WORK/now.arff" && same=yes
    rm -f "$WORK/base.arff" "$WORK/now.arff"
    speedup=$(python3 -c "print(f'{$base_wall / $now_wall:.1f}x')")
    echo "| $run | $features | $lengths | synthetic-$n | $base_wall | $now_wall | $speedup | $base_cpu | $now_cpu | $base_peak | $now_peak | $same |"
done
echo
echo "    $(BENCH_BIN=$now_bin bench_machine | head -1)"

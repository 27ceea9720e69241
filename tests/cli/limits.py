#!/usr/bin/env python3
"""The real `tessar` on values at and past what the data or the number types reach: a clear
refusal, or the sound result, never a model that `encode` refuses, an allocation per label or a
search of what no motif can reach.

  threshold beyond a float   `ddms --threshold 1e39`: status 2, the flag and its range named,
                             no file written; the largest threshold a float holds saves a
                             model that `tessar encode` reads
  motifs on 1 and 2 seqs     no --min-occurrence: a third of the sequences is 0, so 1 is taken
                             and said on standard error; status 0, the report says 1
  huge class count           `classes --class c0=2147483647` with a sequence file of 18: status
                             1, the counts named against the sequences (the file's 18, before
                             any label is held); a count written as runs without a file
  least length past the data one sequence of 300,000 residues: --min-length 300001 finds 0
                             motifs of 0 checked; --min-length 20000 with a count of sequences
                             it cannot reach checks each string of that length once and finds 0
                             (both ended long before the time limit, which only guards a hang)

Usage: limits.py BIN_FOLDER
"""
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from steps import Failure, Steps  # noqa: E402  (tests/steps.py)

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(os.path.dirname(HERE), "data")
SEQS, CLASSES = os.path.join(DATA, "small.fasta"), os.path.join(DATA, "small.cls")


def run(tessar, args, cwd, status):
    proc = subprocess.run([tessar] + args, cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=300)
    out, err = proc.stdout.decode(errors="replace"), proc.stderr.decode(errors="replace")
    if proc.returncode != status:
        raise Failure(f"tessar {' '.join(args)}: status {proc.returncode}, not {status}: {err[:500]}")
    return out, err


def expect_in(label, piece, text):
    if piece not in text:
        raise Failure(f"{label}: no {piece!r} in {text[:600]!r}")


def fresh(work, name):
    folder = os.path.join(work, name)
    os.makedirs(folder)
    return folder


def check_threshold(tessar, work):
    folder = fresh(work, "threshold")
    _, err = run(tessar, ["ddms", SEQS, "--classes", CLASSES, "--threshold", "1e39", "--save-model", "m.txt"],
                 folder, 2)
    expect_in("--threshold 1e39", '--threshold: "1e39" is not a number from 0 to 3.40282e+38', err)
    if os.listdir(folder):
        raise Failure(f"--threshold 1e39 wrote {os.listdir(folder)}")
    # the largest float: saved with nine digits, read back by encode
    run(tessar, ["ddms", SEQS, "--classes", CLASSES, "--threshold", "3.4028234e38", "--save-model", "m.txt", "-q"],
        folder, 0)
    with open(os.path.join(folder, "m.txt")) as f:
        saved = [line for line in f if line.startswith("threshold ")]
    run(tessar, ["encode", SEQS, "--model", "m.txt", "-q"], folder, 0)
    return saved[0].strip()


def check_few_sequences(tessar, work):
    seen = []
    for n in (1, 2):
        folder = fresh(work, f"motifs-{n}")
        with open(os.path.join(folder, "few.fasta"), "w") as f:
            f.write("".join(f">s{k}\nMKVLAGGKVLAGWWHK\n" for k in range(n)))
        out, err = run(tessar, ["motifs", "few.fasta"], folder, 0)
        plural = "" if n == 1 else "s"
        expect_in(f"{n} sequences", f"--min-occurrence 1 taken: a third of {n} sequence{plural} is 0, below 1", err)
        with open(os.path.join(folder, "Report.out")) as f:
            expect_in(f"{n} sequences: Report.out", "Minimum occurrence number = 1\n", f.read())
        seen.append(out.split(" ->")[0])
    # given, the flag is taken as it is, without a note
    folder = fresh(work, "motifs-given")
    with open(os.path.join(folder, "few.fasta"), "w") as f:
        f.write(">s0\nMKVLAG\n")
    _, err = run(tessar, ["motifs", "few.fasta", "--min-occurrence", "1"], folder, 0)
    if "taken" in err:
        raise Failure(f"--min-occurrence given and still a note: {err!r}")
    return "; ".join(seen)


def check_class_counts(tessar, work):
    folder = fresh(work, "classes")
    _, err = run(tessar, ["classes", SEQS, "--class", "c0=2147483647", "-o", "x.cls"], folder, 1)
    expect_in("c0=2147483647", "the classes count 2147483647 sequences but", err)
    _, err = run(tessar, ["classes", SEQS, "--class", "c0=2147483647", "--class", "c1=2147483647", "-o", "x.cls"],
                 folder, 1)
    expect_in("two counts past an int", "the classes count 4294967294 sequences but", err)
    if os.listdir(folder):
        raise Failure(f"a refused count wrote {os.listdir(folder)}")
    # without a sequence file the counts are written as they are, as runs, out of order noted
    _, err = run(tessar, ["classes", "--class", "a=300000", "--class", "b=2", "--class", "a=1", "-o", "x.cls"],
                 folder, 0)
    expect_in("runs out of order", "sequence 300003 returns to an earlier class", err)
    with open(os.path.join(folder, "x.cls")) as f:
        lines = f.read().split("\n")
    if lines[:6] != ["#classes number", "3", "#classes names", "a", "b", "a"] or len(lines) != 7 + 300003 \
            or lines[7:9] != ["a", "a"] or lines[-4:] != ["a", "b", "b", "a"]:
        raise Failure(f"x.cls: {len(lines)} lines, {lines[:9]} ... {lines[-4:]}")
    return "refused before any label was held"


def check_least_length(tessar, work):
    folder = fresh(work, "long")
    rng = random.Random(3)
    residues = "".join(rng.choice("ACDEFGHIKLMNPQRSTVWY") for _ in range(300000))
    with open(os.path.join(folder, "one.fasta"), "w") as f:
        f.write(">one\n" + "".join(residues[k:k + 60] + "\n" for k in range(0, len(residues), 60)))
    out, _ = run(tessar, ["motifs", "one.fasta", "--min-length", "300001", "--min-occurrence", "1"], folder, 0)
    expect_in("--min-length 300001", "0 motifs found of 0 checked", out)
    out, _ = run(tessar, ["motifs", "one.fasta", "--min-length", "20000", "--min-occurrence", "2"], folder, 0)
    # every string of 20,000 residues of one random sequence is distinct
    expect_in("--min-length 20000 --min-occurrence 2", "0 motifs found of 280001 checked", out)
    return "300,000 residues"


def main():
    tessar = os.path.join(os.path.abspath(sys.argv[1]), "tessar")
    done = Steps()
    with tempfile.TemporaryDirectory(prefix="tessar-limits-") as work:
        done.run("threshold beyond a float", check_threshold, tessar, work)
        done.run("motifs on one and two sequences", check_few_sequences, tessar, work)
        done.run("huge class count", check_class_counts, tessar, work)
        done.run("least length past the data", check_least_length, tessar, work)
    return done.status()


if __name__ == "__main__":
    sys.exit(main())

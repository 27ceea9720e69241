#!/usr/bin/env python3
"""Batch use has no size limit: 20,000 sequences (ten times the menu's limit) through every
method of `tessar`, each giving one row per sequence.

The file is made here: short sequences (8 to 16 residues, so that the test stays quick even in
the sanitizer build) in three classes in blocks, each class with a planted motif; the
classification file is made by `tessar classes --from-headers`.

Usage: many_sequences.py BIN_FOLDER
"""
import os
import random
import subprocess
import sys
import tempfile

N = 20000
# random residues from a few letters: few distinct candidates for the motif search
AA = "ACD"
MOTIFS = ["WKHC", "MYPF", "QNRD"]


def make_file(path):
    rng = random.Random(5)
    with open(path, "w") as f:
        for i in range(N):
            k = i * 3 // N
            body = "".join(rng.choice(AA) for _ in range(rng.randint(4, 12)))
            at = rng.randint(0, len(body))
            f.write(f">seq{i} class{k}\n{body[:at]}{MOTIFS[k]}{body[at:]}\n")


def data_rows(path):
    with open(path) as f:
        text = f.read()
    return text.count("\n") - text[:text.index("@data\n")].count("\n") - 1


def main():
    tessar = os.path.join(os.path.abspath(sys.argv[1]), "tessar")
    failures = 0
    with tempfile.TemporaryDirectory(prefix="tessar-many-") as work:
        seqs = os.path.join(work, "many.fasta")
        make_file(seqs)
        runs = [
            ("classes", ["classes", seqs, "--from-headers", " ,2", "-o", "many.cls"], None),
            ("ngrams", ["ngrams", seqs, "--classes", "many.cls", "-n", "2"], "Context.arff"),
            ("motifs", ["motifs", seqs, "--classes", "many.cls", "--min-length", "4"], "Context.arff"),
            ("disclass", ["disclass", seqs, "--classes", "many.cls", "--alpha", "0.9", "--beta", "0.05"],
             "Context.arff"),
            ("ddms", ["ddms", seqs, "--classes", "many.cls", "--alpha", "0.9", "--beta", "0.05"],
             "Context.arff"),
            ("bincod", ["bincod", seqs, "--code", "brevik"], "SeqBin.dat"),
        ]
        for label, args, table in runs:
            out = os.path.join(work, label)
            run = subprocess.run([tessar] + args + ["--out-dir", out], cwd=work, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, timeout=600)
            problem = None
            if run.returncode != 0:
                problem = f"status {run.returncode}: {run.stderr.decode(errors='replace')[:500]}"
            elif label == "classes":  # -o names it as given: beside the sequences, not in --out-dir
                if not os.path.exists(os.path.join(work, "many.cls")):
                    problem = "no many.cls where -o named it"
            elif table == "SeqBin.dat":
                with open(os.path.join(out, table)) as f:
                    rows = sum(1 for _ in f)
                if rows != N:
                    problem = f"{rows} coded lines, not {N}"
            else:
                rows = data_rows(os.path.join(out, table))
                if rows != N:
                    problem = f"{rows} rows in {table}, not {N}"
            if problem:
                failures += 1
                print(f"FAIL {label}: {problem}")
            else:
                print(f"ok   {label}: {run.stdout.decode().strip()}")
    print(f"{len(runs) - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

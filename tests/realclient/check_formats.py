#!/usr/bin/python3
"""Load every table format of `tessar` with real readers and compare with the dense ARFF file.

Each method runs on the sample families (training file with its classes, a test file whose
classification file names the classes in another order) once per format, and the N-gram method
once more without classes. The dense ARFF files, read by liac-arff, are the reference:
  - sparse ARFF: liac-arff reads it, and Weka rewrites it densely
    (weka.filters.unsupervised.instance.SparseToNonSparse), which liac-arff reads in turn; Weka
    also trains OneR on the training file and evaluates it on the test file, which it accepts
    only when the two headers agree;
  - CSV: pandas (no value read as missing);
  - LibSVM: scikit-learn's load_svmlight_file, the class index read back through the training
    file's class order.
Every reader must give the dense file's values, row for row, and its classes. Both ARFF files of
a pair must list the class values in the training classification file's order.

Row ids: every method runs once more on copies of the files whose headers begin with awkward ids
(a comma, quotes, a backslash, '%', braces, '?', '#', an empty id), in each format with --ids; each
reader must give every row's id: pandas `read_csv(f, index_col=0)` (an empty id read as missing, as
pandas reads every empty field), liac-arff and Weka for both ARFF formats, and scikit-learn's
loader must still read the LibSVM rows, whose ids follow " # ".
Weka exits 0 even when it fails: its output is judged.

Usage: check_formats.py --bin BIN_FOLDER [--weka JAR] [--java JAVA]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from steps import Failure, Steps  # noqa: E402  (tests/steps.py)

import arff
import numpy as np
import pandas
from sklearn.datasets import load_svmlight_file

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(os.path.dirname(HERE), "data")
FORMATS = {"sparse-arff": ".arff", "csv": ".csv", "libsvm": ".libsvm"}


def load_arff(path):
    """Feature names, feature values (0/1 ints), classes (None without), class attribute values."""
    with open(path, encoding="utf-8") as f:
        data = arff.load(f)
    names = [a[0] for a in data["attributes"]]
    has_class = bool(names) and names[-1] == "class"
    n = len(names) - has_class
    values = np.array([[int(str(v)) for v in row[:n]] for row in data["data"]], dtype=int).reshape(-1, n)
    classes = [row[n] for row in data["data"]] if has_class else None
    declared = data["attributes"][-1][1] if has_class else None
    return names[:n], values, classes, declared


def same(label, got, want):
    if isinstance(want, np.ndarray):
        if got.shape != want.shape or not (got == want).all():
            raise Failure(f"{label}: values differ (shape {got.shape} against {want.shape})")
    elif got != want:
        raise Failure(f"{label}: {str(got)[:200]} against {str(want)[:200]}")


def weka(args, java, jar):
    run = subprocess.run([java, "-cp", jar] + args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         timeout=600)
    output = run.stdout.decode("utf-8", errors="replace")
    for word in ("xception", "Error:", "not compatible"):
        if word in output:
            raise Failure("Weka: " + next(ln for ln in output.splitlines() if word in ln).strip())
    return output


def check_sparse(path, ref, java, jar, work):
    names, values, classes, declared = load_arff(path)
    same(f"{path} (liac-arff)", (names, classes, declared), ref[:1] + ref[2:])
    same(f"{path} (liac-arff)", values, ref[1])
    dense = os.path.join(work, "weka-dense.arff")
    weka(["weka.filters.unsupervised.instance.SparseToNonSparse", "-i", path, "-o", dense], java, jar)
    names, values, classes, declared = load_arff(dense)
    same(f"{path} (Weka)", values, ref[1])
    same(f"{path} (Weka)", classes, ref[2])


def check_csv(path, ref):
    table = pandas.read_csv(path, dtype=str, keep_default_na=False)
    names, values, classes, _ = ref
    want_columns = ["id"] + names + (["class"] if classes is not None else [])
    same(f"{path} (pandas) columns", list(table.columns), want_columns)
    got = table[names].astype(int).to_numpy().reshape(-1, len(names)) if names else np.zeros((len(table), 0), int)
    same(f"{path} (pandas)", got, values)
    if classes is not None:
        same(f"{path} (pandas) classes", list(table["class"]), classes)


def check_libsvm(path, ref, training_classes):
    names, values, classes, _ = ref
    X, y = load_svmlight_file(path, n_features=len(names), zero_based=False)
    same(f"{path} (scikit-learn)", X.toarray().astype(int), values)
    if classes is not None:
        same(f"{path} (scikit-learn) classes", [training_classes[int(k)] for k in y], classes)
    else:
        same(f"{path} (scikit-learn) classes", set(y.tolist()) or {0.0}, {0.0})


def run_method(tessar, args, fmt, out):
    run = subprocess.run([tessar] + args + ["--format", fmt, "--out-dir", out, "-q"],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
    if run.returncode != 0:
        raise Failure(f"tessar {' '.join(args)} --format {fmt}: status {run.returncode}: "
                      f"{run.stderr.decode(errors='replace')}")


def check_method(tessar, label, args, with_test, java, jar, work):
    dense_dir = os.path.join(work, label, "arff")
    run_method(tessar, args, "arff", dense_dir)
    refs = {"Context": load_arff(os.path.join(dense_dir, "Context.arff"))}
    if with_test:
        refs["Test"] = load_arff(os.path.join(dense_dir, "Test.arff"))
        # the test file lists the training file's classes, in the training file's order
        same(f"{label}: class values of Test.arff", refs["Test"][3], refs["Context"][3])
    training_classes = refs["Context"][3]
    n_rows = 0
    for fmt, ext in FORMATS.items():
        out = os.path.join(work, label, fmt)
        run_method(tessar, args, fmt, out)
        for stem, ref in refs.items():
            path = os.path.join(out, stem + ext)
            if fmt == "sparse-arff":
                check_sparse(path, ref, java, jar, work)
            elif fmt == "csv":
                check_csv(path, ref)
            else:
                check_libsvm(path, ref, training_classes)
            n_rows += len(ref[1])
        if fmt == "sparse-arff" and with_test and len(training_classes) > 1 and refs["Context"][0]:
            output = weka(["weka.classifiers.rules.OneR", "-t", os.path.join(out, "Context.arff"),
                           "-T", os.path.join(out, "Test.arff"), "-no-cv"], java, jar)
            if "=== Error on test data ===" not in output:
                raise Failure(f"{label}: Weka evaluated no test data: {output[:300]}")
    return f"{len(refs['Context'][0])} features, {n_rows} rows in each of sparse ARFF, CSV, LibSVM"


# Awkward ids, given to the sequences in turn; the rest keep their own.
AWKWARD_IDS = ["a,b", 'say"x"', "it's", "", "50%", "{b}", "?", "x\\y", "#7", "'q'"]


def awkward_copy(source, target):
    """`source` with the first headers' ids replaced by AWKWARD_IDS (a description kept after a
    blank); returns the ids of every sequence, in order."""
    ids, out = [], []
    for line in open(source).read().split("\n"):
        if line.startswith(">"):
            word, _, rest = line[1:].partition(" ")
            new = AWKWARD_IDS[len(ids)] if len(ids) < len(AWKWARD_IDS) else word
            ids.append(new)
            line = ">" + new + (" " + rest if rest else "")
        out.append(line)
    with open(target, "w") as f:
        f.write("\n".join(out))
    return ids


def arff_ids(path):
    with open(path, encoding="utf-8") as f:
        data = arff.load(f)
    if data["attributes"][0] != ("id", "STRING"):
        raise Failure(f"{path}: first attribute {data['attributes'][0]}")
    return [row[0] for row in data["data"]]


def check_ids(tessar, label, args, files, java, jar, work):
    """Every format with --ids on the awkward copies: each reader gives each row's id."""
    for fmt, ext in {"arff": ".arff", **FORMATS}.items():
        out = os.path.join(work, label, "ids-" + fmt)
        run_method(tessar, args + ["--ids"], fmt, out)
        for stem, want in files.items():
            path = os.path.join(out, stem + ext)
            if fmt == "csv":
                index = pandas.read_csv(path, index_col=0).index
                same(f"{path} (pandas) ids", ["" if pandas.isna(i) else i for i in index], want)
            elif fmt == "libsvm":
                X, _ = load_svmlight_file(path, zero_based=False)
                same(f"{path} (scikit-learn) rows", X.shape[0], len(want))
                same(f"{path} ids", [ln.split(" # ", 1)[1] for ln in open(path).read().splitlines()], want)
            else:
                same(f"{path} (liac-arff) ids", arff_ids(path), want)
                dense = os.path.join(work, "weka-ids.arff")
                weka(["weka.filters.unsupervised.instance.SparseToNonSparse", "-i", path, "-o", dense], java, jar)
                same(f"{path} (Weka) ids", arff_ids(dense), want)
    return f"{sum(len(ids) for ids in files.values())} ids in each of 4 formats"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--weka", default="/usr/share/java/weka.jar")
    ap.add_argument("--java", default="java")
    args = ap.parse_args()
    tessar = os.path.join(os.path.abspath(args.bin), "tessar")

    with tempfile.TemporaryDirectory(prefix="tessar-formats-") as work:
        for name in ("small.fasta", "small.cls", "small-test.fasta"):
            shutil.copy(os.path.join(DATA, name), work)
        # the test labels with the class names in another order than the training file's
        with open(os.path.join(DATA, "small-test.cls")) as f:
            lines = f.read().split("\n")
        lines[3:6] = reversed(lines[3:6])
        with open(os.path.join(work, "reordered-test.cls"), "w") as f:
            f.write("\n".join(lines))
        s, c = os.path.join(work, "small.fasta"), os.path.join(work, "small.cls")
        test = ["--test", os.path.join(work, "small-test.fasta"),
                "--test-classes", os.path.join(work, "reordered-test.cls")]
        runs = [
            ("ngrams", ["ngrams", s, "--classes", c, "-n", "2"] + test, True),
            ("ngrams-no-classes", ["ngrams", s, "-n", "3"], False),
            ("motifs", ["motifs", s, "--classes", c, "--min-occurrence", "4"] + test, True),
            ("motifs-pairs", ["motifs", s, "--classes", c, "--form", "2", "--min-length", "4"], False),
            ("disclass", ["disclass", s, "--classes", c, "--alpha", "0.5", "--beta", "0.2"] + test, True),
            ("ddms", ["ddms", s, "--classes", c, "--alpha", "0.5", "--beta", "0.2", "--matrix", "pam70"] + test,
             True),
        ]
        steps = Steps()
        for label, method_args, with_test in runs:
            steps.run(label, check_method, tessar, label, method_args, with_test, args.java, args.weka, work)
        ids = {"Context": awkward_copy(s, os.path.join(work, "ids.fasta")),
               "Test": awkward_copy(os.path.join(work, "small-test.fasta"), os.path.join(work, "ids-test.fasta"))}
        for label, method_args, with_test in runs:
            method_args = [os.path.join(work, "ids.fasta") if a == s else
                           os.path.join(work, "ids-test.fasta") if a == test[1] else a for a in method_args]
            files = {stem: want for stem, want in ids.items() if stem == "Context" or with_test}
            steps.run(f"{label}, ids", check_ids, tessar, label, method_args, files, args.java, args.weka, work)
    return steps.status()


if __name__ == "__main__":
    sys.exit(main())

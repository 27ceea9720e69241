#!/usr/bin/python3
"""Load every expected ARFF file of the end-to-end cases with real ARFF readers.

Each ARFF file under tests/e2e/cases/*/expected/ (a name ending in ".arff", or a file whose
first line begins with "@relation") is read by:
  - liac-arff (python3 module `arff`),
  - scipy.io.arff.loadarff,
  - Weka: a file with a last attribute named "class" of two values or more trains a classifier
    on it (OneR, or ZeroR when the class is the only attribute) without cross-validation; the
    training file of a pair is evaluated on its test file (-T). Any other file is loaded with
    weka.core.Instances. Weka exits 0 even when it fails, so its output is judged: the training
    and test summaries, or the instance count, must be there and no exception may be.

Pairs: in each case, expected/Context.arff with expected/Test.arff, plus the lines
"TRAIN TEST" of an optional file `realclient-pairs` in the case folder.
Skips: an optional file `realclient-skip` in the case folder lists the names of files that are
meant to be unreadable (for example cut short by a fatal error); an empty list skips the whole
case. Lines starting with "#" are comments.

Exit status 0 when every reader accepts every file, 1 otherwise. Usage:
  check_arff.py [--cases DIR] [--weka JAR] [--java JAVA] [case ...]
"""
import argparse
import io
import os
import subprocess
import sys

import arff
from scipy.io import arff as scipy_arff

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_CASES = os.path.join(os.path.dirname(HERE), "e2e", "cases")


def listed(path):
    """Non-comment lines of an optional list file; None when the file is absent."""
    if not os.path.exists(path):
        return None
    with open(path) as f:
        return [ln.strip() for ln in f if ln.strip() and not ln.lstrip().startswith("#")]


def is_arff(path):
    if path.endswith(".arff"):
        return True
    with open(path, "rb") as f:
        return f.readline().lower().startswith(b"@relation")


def read_text(path):
    # the readers take ARFF files as UTF-8: a byte sequence that is not UTF-8 is a rejection
    with open(path, "rb") as f:
        return f.read().decode("utf-8", errors="strict")


def check_liac(path):
    data = arff.loads(read_text(path))
    return data["attributes"], len(data["data"])


def check_scipy(path):
    data, meta = scipy_arff.loadarff(io.StringIO(read_text(path)))
    return len(data)


def run_weka(java, jar, args):
    run = subprocess.run([java, "-cp", jar] + args, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, timeout=600)
    return run.stdout.decode("utf-8", errors="replace")


def weka_failure(output, wanted):
    """The reason Weka's output shows a failure, or None."""
    for word in ("xception", "Error:", "not compatible"):
        for line in output.splitlines():
            if word in line:
                return line.strip()
    for text in wanted:
        if text not in output:
            return f"no '{text}' in Weka's output: " + " | ".join(output.strip().splitlines()[:5])
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cases", default=DEFAULT_CASES)
    ap.add_argument("--weka", default="/usr/share/java/weka.jar")
    ap.add_argument("--java", default="java")
    ap.add_argument("only", nargs="*", help="case names (default: every case)")
    args = ap.parse_args()

    failures = []
    n_files = 0
    for case in sorted(os.listdir(args.cases)):
        if args.only and case not in args.only:
            continue
        folder = os.path.join(args.cases, case)
        expected = os.path.join(folder, "expected")
        if not os.path.isdir(expected):
            continue
        skip = listed(os.path.join(folder, "realclient-skip"))
        if skip == []:
            continue
        skip = set(skip or [])
        files = [n for n in sorted(os.listdir(expected))
                 if n not in skip and os.path.isfile(os.path.join(expected, n))
                 and is_arff(os.path.join(expected, n))]
        if not files:
            continue

        pairs = {}
        if "Context.arff" in files and "Test.arff" in files:
            pairs["Context.arff"] = "Test.arff"
        for line in listed(os.path.join(folder, "realclient-pairs")) or []:
            train, test = line.split()
            pairs[train] = test
        tested = {test for train, test in pairs.items() if train in files}

        for name in files:
            n_files += 1
            path = os.path.join(expected, name)
            label = f"{case}/{name}"
            try:
                attributes, n_rows = check_liac(path)
            except Exception as e:  # any rejection is a failure
                failures.append(f"{label}: liac-arff: {type(e).__name__}: {e}")
                continue
            try:
                check_scipy(path)
            except Exception as e:
                failures.append(f"{label}: scipy.io.arff: {type(e).__name__}: {e}")

            # a class of one value is loaded only: Weka's classifiers refuse a unary class
            has_class = bool(attributes) and attributes[-1][0] == "class"
            trainable = has_class and isinstance(attributes[-1][1], list) and len(attributes[-1][1]) > 1
            if trainable:
                classifier = "weka.classifiers.rules.OneR" if len(attributes) > 1 else "weka.classifiers.rules.ZeroR"
                cmd = [classifier, "-t", path, "-no-cv"]
                wanted = ["=== Error on training data ==="]
                if name in pairs:
                    cmd += ["-T", os.path.join(expected, pairs[name])]
                    wanted.append("=== Error on test data ===")
                elif name in tested:
                    continue  # evaluated with its training file
                reason = weka_failure(run_weka(args.java, args.weka, cmd), wanted)
            else:
                reason = weka_failure(run_weka(args.java, args.weka, ["weka.core.Instances", path]),
                                      ["Num Instances:"])
            if reason:
                failures.append(f"{label}: Weka: {reason}")
            else:
                print(f"ok {label} ({len(attributes)} attributes, {n_rows} rows)")

    for f in failures:
        print("FAIL " + (f if len(f) <= 400 else f[:400] + " ..."))
    print(f"{n_files - len({f.split(':')[0] for f in failures})} passed, "
          f"{len({f.split(':')[0] for f in failures})} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""`tessar encode` against the methods' own test tables, bad models, and memory that does not
grow with the input.

  same rows        every method (motifs *X* and *X*Y*, ngrams, disclass, ddms) in every format
                   runs with --test/--test-classes and --save-model; `tessar encode` of the same
                   test file with the test classification file gives the test table byte for
                   byte (the test files are no longer than the training file, so the descriptor
                   methods write a row for each test sequence). Class names with blanks, commas
                   and quotes go through the model unchanged.
  no classes       without --classes every row's class is ?, the values are those of the rows
                   with classes; ddms values use no label: each 1 of exact presence (a substring
                   search here) and of the rows with classes is a 1 there (tests/python checks
                   the rule itself);
                   a model learned without classes gives the training file's header, without
                   class attribute.
  bad models       truncated, another version, a feature line that does not parse, an unknown
                   method: status 1, one message naming the file and the line, and no output
                   file (every fault of the reader: tests/unit/encode).
  memory           (not in sanitizer builds, whose allocator keeps freed memory; needs GNU
                   time) encoding ten times as many sequences takes no more memory: rows are
                   written as the sequences stream in.

Usage: encode.py BIN_FOLDER [--sanitized]
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from steps import Failure, Steps  # noqa: E402  (tests/steps.py)

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(os.path.dirname(HERE), "data")
TIME = "/usr/bin/time"  # GNU time (Debian package time)
FORMATS = {"arff": ".arff", "sparse-arff": ".arff", "csv": ".csv", "libsvm": ".libsvm"}


def run(tessar, args, cwd, status=0):
    proc = subprocess.run([tessar] + args, cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=600)
    if proc.returncode != status:
        raise Failure(f"tessar {' '.join(args)}: status {proc.returncode}, not {status}: "
                      f"{proc.stderr.decode(errors='replace')[:500]}")
    return proc.stdout.decode(), proc.stderr.decode()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, text):
    with open(path, "w") as f:
        f.write(text)


def data_rows(text, fmt):
    """The rows of a table, without its header."""
    lines = text.split(b"\n")
    if fmt in ("arff", "sparse-arff"):
        lines = lines[lines.index(b"@data") + 1:]
    elif fmt == "csv":
        lines = lines[1:]
    return b"\n".join(lines)


def fasta_sequences(path):
    seqs = []
    with open(path) as f:
        for line in f:
            if line.startswith(">"):
                seqs.append("")
            elif seqs:
                seqs[-1] += "".join(c for c in line.strip().upper() if c.isalpha())
    return seqs


def check_same_rows(tessar, work, label, method_args, test_fasta, test_cls):
    """Every format: the method's Test table equals the encoding of the test file."""
    for fmt, ext in FORMATS.items():
        out = os.path.join(work, label, fmt)
        run(tessar, method_args + ["--test", test_fasta, "--test-classes", test_cls, "--format", fmt,
                                   "--save-model", os.path.join(out, "model.txt"), "--out-dir", out, "-q"], work)
        model = os.path.join(out, "model.txt")
        run(tessar, ["encode", test_fasta, "--model", model, "--classes", test_cls, "--format", fmt,
                     "--arff", os.path.join(out, "encoded" + ext), "-q"], work)
        want, got = read(os.path.join(out, "Test" + ext)), read(os.path.join(out, "encoded" + ext))
        if got != want:
            raise Failure(f"{label} {fmt}: the encoded table differs from the method's test table "
                          f"({len(got)} bytes against {len(want)})")
    return model


def check_without_classes(tessar, work, label, model, test_fasta, test_cls, presence=None):
    """Without --classes: class ?, the same values (for ddms, the label-free rule: at least exact
    presence and the values with classes)."""
    out = os.path.join(work, label, "unlabelled")
    os.makedirs(out, exist_ok=True)
    run(tessar, ["encode", test_fasta, "--model", model, "--arff", os.path.join(out, "a.arff"), "-q"], work)
    run(tessar, ["encode", test_fasta, "--model", model, "--classes", test_cls,
                 "--arff", os.path.join(out, "b.arff"), "-q"], work)
    unlabelled, labelled = read(os.path.join(out, "a.arff")), read(os.path.join(out, "b.arff"))
    head = unlabelled[:unlabelled.index(b"@data\n")]
    if head != labelled[:labelled.index(b"@data\n")]:
        raise Failure(f"{label}: the header depends on --classes")
    rows = data_rows(unlabelled, "arff").decode().split("\n")[:-1]
    if not all(r.endswith(",?") or r == "?" for r in rows):
        raise Failure(f"{label}: a row without --classes does not end in ?: {rows[:2]}")
    features = [ln.split(" ")[1] for ln in head.decode().split("\n") if ln.startswith("@attribute ")
                and not ln.startswith("@attribute class ")]
    n = len(features)
    values = [",".join(r.split(",")[:n]) for r in rows]
    with_classes = [",".join(r.split(",")[:n]) for r in data_rows(labelled, "arff").decode().split("\n")[:-1]]
    if presence is None:
        if values != with_classes:
            raise Failure(f"{label}: the values without --classes are not the expected ones")
        return
    exact = [",".join("1" if f in s else "0" for f in features) for s in fasta_sequences(test_fasta)]
    for lower in (exact, with_classes):
        if len(lower) != len(values) or any(a == "1" and b != "1" for low, row in zip(lower, values)
                                            for a, b in zip(low.split(","), row.split(","))):
            raise Failure(f"{label}: a value without --classes is 0 where exact presence or the class gives 1")


def check_no_class_model(tessar, work, seqs, test_fasta):
    out = os.path.join(work, "no-classes")
    run(tessar, ["ngrams", seqs, "-n", "2", "--save-model", os.path.join(out, "model.txt"), "--out-dir", out,
                 "-q"], work)
    model = os.path.join(out, "model.txt")
    run(tessar, ["encode", test_fasta, "--model", model, "--out-dir", out, "-q"], work)
    encoded, training = read(os.path.join(out, "Encoded.arff")), read(os.path.join(out, "Context.arff"))
    if b"\nclasses none\n" not in read(model) or encoded.split(b"@data\n")[0] != training.split(b"@data\n")[0]:
        raise Failure("a model learned without classes does not give the training file's header")


def check_bad_models(tessar, work, good_model, test_fasta):
    lines = read(good_model).decode().split("\n")
    n_lines = len(lines) - 1
    feature_at = next(i for i, ln in enumerate(lines) if ln.startswith("feature "))
    cases = {
        "truncated": ("\n".join(lines[:n_lines - 3]) + "\n", n_lines - 2, "truncated"),
        "version": ("tessar-model 2\n" + "\n".join(lines[1:]), 1, "version"),
        "feature": ("\n".join(lines[:feature_at] + ["feature K1L"] + lines[feature_at + 1:]),
                    feature_at + 1, "feature"),
        "method": ("\n".join(lines[:1] + ["method hmm"] + lines[2:]), 2, "unknown method"),
    }
    for label, (text, line, words) in cases.items():
        folder = os.path.join(work, "bad-" + label)
        os.makedirs(folder)
        write(os.path.join(folder, "bad.model"), text)
        _, err = run(tessar, ["encode", test_fasta, "--model", "bad.model"], folder, status=1)
        if not err.startswith(f"Err: bad.model line {line}: ") or words not in err or err.count("\n") != 1:
            raise Failure(f"bad model ({label}): {err!r}")
        if os.listdir(folder) != ["bad.model"]:
            raise Failure(f"bad model ({label}): files written {os.listdir(folder)}")


def peak_kib(args, work):
    """The peak resident memory of a run, in KiB, as GNU time measures it. (The rusage of a child
    started from python counts the interpreter's own memory, which the child held until exec.)"""
    report = os.path.join(work, "time.txt")
    run = subprocess.run([TIME, "-f", "%M", "-o", report] + args, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE)
    if run.returncode != 0:
        raise Failure(f"{' '.join(args)}: status {run.returncode}: {run.stderr.decode()[:300]}")
    with open(report) as f:
        return int(f.read().split()[-1])


def check_memory(tessar, work, model):
    rng = random.Random(3)
    sizes = {}
    for n in (20000, 200000):
        path = os.path.join(work, f"many-{n}.fasta")
        with open(path, "w") as f:
            for i in range(n):
                f.write(f">s{i}\n{''.join(rng.choices('ACDEFGHIKLMNPQRSTVWY', k=60))}\n")
        sizes[n] = peak_kib([tessar, "encode", path, "--model", model, "--format", "sparse-arff",
                             "--arff", os.path.join(work, f"memory-{n}.arff"), "-q"], work)
    if sizes[200000] > 1.2 * sizes[20000] + 1024:
        raise Failure(f"peak memory {sizes[20000]} KiB for 20,000 sequences, {sizes[200000]} KiB for "
                      "200,000: the rows are not written as the sequences stream in")
    return sizes


def main():
    tessar = os.path.join(os.path.abspath(sys.argv[1]), "tessar")
    sanitized = "--sanitized" in sys.argv[2:]
    steps = Steps()
    step = steps.run

    with tempfile.TemporaryDirectory(prefix="tessar-encode-") as work:
        for name in ("small.fasta", "small.cls", "small-test.fasta", "small-test.cls"):
            shutil.copy(os.path.join(DATA, name), work)
        seqs, cls = os.path.join(work, "small.fasta"), os.path.join(work, "small.cls")
        test_fasta, test_cls = os.path.join(work, "small-test.fasta"), os.path.join(work, "small-test.cls")
        # the test labels with the class names in another order
        lines = open(test_cls).read().split("\n")
        lines[3:6] = reversed(lines[3:6])
        reordered = os.path.join(work, "reordered-test.cls")
        write(reordered, "\n".join(lines))
        # class names that need quotes in ARFF and CSV, and a blank at their end
        odd = {"globin": "glo bin, \"a\"", "fn3": "fn3's ", "kinase": "{kinase}%"}
        odd_cls, odd_test_cls = os.path.join(work, "odd.cls"), os.path.join(work, "odd-test.cls")
        for src, dst in ((cls, odd_cls), (test_cls, odd_test_cls)):
            write(dst, "\n".join(odd.get(ln, ln) for ln in open(src).read().split("\n")))

        methods = [
            ("motifs", ["motifs", seqs, "--classes", cls, "--min-occurrence", "4"], reordered),
            ("motifs-pairs", ["motifs", seqs, "--classes", cls, "--form", "2", "--min-length", "4"], test_cls),
            ("ngrams", ["ngrams", seqs, "--classes", cls, "-n", "2"], reordered),
            ("ngrams-odd-names", ["ngrams", seqs, "--classes", odd_cls, "-n", "3"], odd_test_cls),
            ("disclass", ["disclass", seqs, "--classes", cls, "--alpha", "0.5", "--beta", "0.2"], reordered),
            ("ddms", ["ddms", seqs, "--classes", cls, "--alpha", "0.3", "--beta", "0.3", "--matrix", "pam250",
                      "--threshold", "0.3"], reordered),
            ("ddms-odd-names", ["ddms", seqs, "--classes", odd_cls, "--matrix", "blosum45", "--threshold",
                                "0.35"], odd_test_cls),
        ]
        models = {}
        for label, args, test_classes in methods:
            step(f"same rows: {label}, every format", lambda l=label, a=args, t=test_classes:
                 models.__setitem__(l, check_same_rows(tessar, work, l, a, test_fasta, t)))
        for label, _, test_classes in methods:
            if label in models:
                step(f"no classes: {label}", check_without_classes, tessar, work, label, models[label],
                     test_fasta, test_classes, True if label.startswith("ddms") else None)
        step("a model without classes", check_no_class_model, tessar, work, seqs, test_fasta)
        if "ddms-odd-names" in models:
            step("bad models", check_bad_models, tessar, work, models["ddms-odd-names"], test_fasta)
        if sanitized or not os.path.exists(TIME):
            print("skip memory: " + ("a sanitizer build" if sanitized else f"no {TIME} (Debian package time)"))
        elif "ngrams" in models:
            step("memory does not grow with the input", check_memory, tessar, work, models["ngrams"])
    return steps.status()


if __name__ == "__main__":
    sys.exit(main())

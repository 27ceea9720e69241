#!/usr/bin/env python3
"""The real `tessar` on bad input: message on standard error, exit status, nothing on standard
output, no key waited for (standard input is a terminal-less pipe that never ends, so a program
waiting for a key would hang until the time limit), and no file left: a failed run writes none.

  missing input file     status 1, "--classes: cannot open ...", no file written
  bad number             status 2, one line naming -n, no file written
  unknown matrix         status 2, one line naming --matrix and the six names
  unknown flag           status 2, one line naming the flag
  bad classification     status 1, the menu's "Err: Class file invalid ..." text alone; the
                         output folder the run made is gone again
  labels that do not fit more or fewer label lines than sequences, a label that is not a class
                         name, a test label that is not a training class (motifs, ngrams,
                         disclass, ddms, encode --classes): status 1, the file, the line and the
                         label, no table written (encode, which streams, names its table)
  test files             an empty or header-less --test file, a --test-classes file of any text
                         (disclass, ddms): status 1, as for the training files
  labels out of order    disclass/ddms group the sequences by class: status 0, a note saying how
                         many moved, one row per sequence
  no sequence            status 1, "Err: no sequence in FILE: a sequence starts at ..."
  an output on an input of the run (a flag's name, or the descriptor methods' fixed SeqFile.seq,
  LesDDs.txt, LesDDSMs.txt), two outputs on one file
                         status 2, one line naming both, the input untouched
  an output name of 256 bytes on each output flag
                         status 1, "FLAG: cannot create NAME: REASON", nothing left

Usage: errors.py BIN_FOLDER
"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(os.path.dirname(HERE), "data")


def run(tessar, args, cwd):
    # stdin stays open and empty: a program waiting for a key would block until the timeout
    proc = subprocess.Popen([tessar] + args, cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    try:
        out, err = proc.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        proc.kill()
        raise AssertionError(f"tessar {' '.join(args)} did not end: waiting for input?")
    return proc.returncode, out.decode(), err.decode()


def main():
    tessar = os.path.join(os.path.abspath(sys.argv[1]), "tessar")
    seqs, cls = os.path.join(DATA, "small.fasta"), os.path.join(DATA, "small.cls")
    failures = []
    cases = 0

    def expect(label, args, status, pieces, files=None, lines=None, setup=None, after=None):
        nonlocal cases
        cases += 1
        with tempfile.TemporaryDirectory(prefix="tessar-errors-") as work:
            if setup:
                setup(work)
            before = set(os.listdir(work))
            code, out, err = run(tessar, args, work)
            problems = []
            if code != status:
                problems.append(f"status {code}, not {status}")
            if out:
                problems.append(f"standard output not empty: {out!r}")
            for piece in pieces:
                if piece not in err:
                    problems.append(f"no {piece!r} in {err!r}")
            if lines is not None and err.count("\n") != lines:
                problems.append(f"{err.count(chr(10))} lines on standard error, not {lines}")
            made = sorted(set(os.listdir(work)) - before)
            if files is not None and made != sorted(files):
                problems.append(f"files written {made}, expected {sorted(files)}")
            # every file made is named on standard error
            for name in made:
                if name not in err:
                    problems.append(f"{name} was written but not named")
            if after and after(work):
                problems.append(after(work))
            if problems:
                failures.append(label)
                print(f"FAIL {label}: " + "; ".join(problems))
            else:
                print(f"ok   {label}")

    expect("missing input file", ["ngrams", seqs, "--classes", "missing.cls"], 1,
           ["tessar ngrams: --classes: cannot open missing.cls"], files=[], lines=1)
    expect("missing sequence file", ["disclass", "none.fasta", "--classes", cls], 1,
           ["SEQUENCES: cannot open none.fasta"], files=[], lines=1)
    expect("bad number", ["ngrams", seqs, "-n", "three"], 2,
           ['-n: "three" is not a whole number from 1 to 2147483647', "--help"], files=[], lines=1)
    expect("number out of range", ["motifs", seqs, "--mutations", "11"], 2,
           ['--mutations: "11" is not a whole number from 0 to 10'], files=[], lines=1)
    expect("unknown matrix", ["ddms", seqs, "--classes", cls, "--matrix", "blosum99"], 2,
           ['--matrix: "blosum99" is not one of blosum45, blosum62, blosum80, pam30, pam70, pam250'],
           files=[], lines=1)
    expect("unknown flag", ["ngrams", seqs, "--colour", "red"], 2, ["--colour"], files=[], lines=1)

    def bad_classes(work):
        with open(os.path.join(work, "bad.cls"), "w") as f:
            f.write("#classes number\n3\n#classes names\nglobin\nfn3\nkinase\nno keyword line\n")
    expect("bad classification file", ["ngrams", seqs, "--classes", "bad.cls", "--out-dir", "out"], 1,
           ["Err: Class file invalid @data\n"], files=[], lines=1, setup=bad_classes)

    # labels that do not fit their sequences or their names
    header = "#classes number\n3\n#classes names\nglobin\nfn3\nkinase\n#classes instances\n"
    labels = ["globin"] * 6 + ["fn3"] * 6 + ["kinase"] * 6

    def classes(name, lines, text=None):
        def setup(work):
            with open(os.path.join(work, name), "w") as f:
                f.write(text if text is not None else header + "\n".join(lines) + "\n")
        return setup

    def each(*setups):
        def setup(work):
            for s in setups:
                s(work)
        return setup

    expect("fewer labels than sequences", ["ngrams", seqs, "--classes", "short.cls"], 1,
           ["Err: short.cls: 17 labels for 18 sequences\n"], files=[], lines=1,
           setup=classes("short.cls", labels[:-1]))
    expect("more labels than sequences", ["motifs", seqs, "--classes", "long.cls"], 1,
           ["Err: long.cls: 19 labels for 18 sequences\n"], files=[], lines=1,
           setup=classes("long.cls", labels + ["kinase"]))
    typo = labels[:8] + ["fn33"] + labels[9:]
    expect("a label that is not a class name", ["disclass", seqs, "--classes", "typo.cls"], 1,
           ['Err: typo.cls line 16: label "fn33" is not among the class names\n'], files=[], lines=1,
           setup=classes("typo.cls", typo))
    test_seqs = os.path.join(DATA, "small-test.fasta")
    expect("a test label that is not a training class", ["ngrams", seqs, "--classes", cls, "--test", test_seqs,
           "--test-classes", "t.cls"], 1,
           ['Err: t.cls line 10: label "other" is not among the training classes (globin, fn3, kinase)\n'],
           files=[], lines=1, setup=classes("t.cls", None, "#\n3\n#\nglobin\nfn3\nother\n#\n" +
                                               "globin\nglobin\nother\n" + "fn3\n" * 6))
    expect("encode: a label that is not a class name", ["encode", seqs, "--model", "m.txt", "--classes", "typo.cls"],
           1, ['Err: typo.cls line 16: label "fn33" is not among the class names\n'],
           setup=each(classes("typo.cls", typo),
                      lambda work: run(tessar, ["ngrams", seqs, "--classes", cls, "--save-model", "m.txt",
                                                "--arff", "c.arff", "-q"], work)))

    # test files the training files would not pass
    for method in ("disclass", "ddms"):
        expect(f"{method}: empty test file", [method, seqs, "--classes", cls, "--test", "empty.fasta",
                                              "--test-classes", cls], 1,
               ["Err: no sequence in empty.fasta: a sequence starts at a line beginning with '>'\n"], files=[],
               lines=1, setup=classes("empty.fasta", None, ""))
        expect(f"{method}: test file without headers", [method, seqs, "--classes", cls, "--test", "plain.fasta",
                                                        "--test-classes", cls], 1,
               ["Err: no sequence in plain.fasta"], files=[], lines=1, setup=classes("plain.fasta", None, "MKV\n"))
        expect(f"{method}: test classification file of any text", [method, seqs, "--classes", cls, "--test",
               test_seqs, "--test-classes", "hello.cls"], 1, ["Err: Class file invalid @class_number\n"],
               files=[], lines=1, setup=classes("hello.cls", None, "hello\nworld\n"))

    def no_sequence(work):
        with open(os.path.join(work, "plain.txt"), "w") as f:
            f.write("MKVLAG\n")
    expect("no sequence", ["disclass", "plain.txt", "--classes", cls], 1,
           ["Err: no sequence in plain.txt: a sequence starts at a line beginning with '>'"],
           files=[], setup=no_sequence)

    # The descriptor methods write their family file and their report under fixed names: an
    # input of the run under one of them stops the run before anything is written, and stays
    # as it was.
    def copies(*pairs):
        def setup(work):
            for src, dst in pairs:
                with open(src, "rb") as f, open(os.path.join(work, dst), "wb") as g:
                    g.write(f.read())
        return setup

    def same_as(name, src):
        def check(work):
            with open(os.path.join(work, name), "rb") as f, open(src, "rb") as g:
                return None if f.read() == g.read() else f"{name} was changed"
        return check

    # An output on an input of the run would replace it, even in a run that then fails; two
    # outputs on one file would lose one. Both stop the run before anything is written.
    for method in ("disclass", "ddms"):
        expect(f"{method}: sequence file named like the family file", [method, "SeqFile.seq", "--classes", "S.cls"],
               2, ["tessar " + method + ": the family file SeqFile.seq would replace SEQUENCES SeqFile.seq: "
                   "an output never replaces an input of its run"],
               files=[], lines=1, setup=copies((seqs, "SeqFile.seq"), (cls, "S.cls")),
               after=same_as("SeqFile.seq", seqs))
    for method, report in (("disclass", "LesDDs.txt"), ("ddms", "LesDDSMs.txt")):
        expect(f"{method}: classification file named like the report", [method, "S.fasta", "--classes", report],
               2, [f"the report {report} would replace --classes {report}"],
               files=[], lines=1, setup=copies((seqs, "S.fasta"), (cls, report)), after=same_as(report, cls))
    def classes_in_output_folder(work):
        os.mkdir(os.path.join(work, "out"))
        copies((seqs, "in.fasta"), (cls, "out/SeqFile.seq"))(work)

    expect("classification file named like the family file in the output folder",
           ["ddms", "in.fasta", "--classes", "out/SeqFile.seq", "--out-dir", "out"], 2,
           ["the family file out/SeqFile.seq would replace --classes out/SeqFile.seq"], files=[], lines=1,
           setup=classes_in_output_folder, after=same_as("out/SeqFile.seq", cls))

    expect("--dat on the sequence file of a run that fails",
           ["ngrams", "t.fa", "--classes", "bad.cls", "--dat", "./t.fa"], 2,
           ["tessar ngrams: --dat ./t.fa would replace SEQUENCES t.fa"], files=[], lines=1,
           setup=lambda work: (copies((seqs, "t.fa"))(work), bad_classes(work)), after=same_as("t.fa", seqs))

    def with_model(work):
        copies((seqs, "st.fa"))(work)
        subprocess.run([tessar, "ngrams", seqs, "-n", "2", "--save-model", "m.txt", "-q"], cwd=work, check=True)
        os.remove(os.path.join(work, "Context.arff"))
    expect("encode --arff on its sequence file", ["encode", "st.fa", "--model", "m.txt", "--arff", "st.fa"], 2,
           ["tessar encode: --arff st.fa would replace SEQUENCES st.fa"], files=[], lines=1,
           setup=with_model, after=same_as("st.fa", seqs))
    expect("classes -o on its sequence file", ["classes", "s.fa", "--from-headers", " ,2", "-o", "s.fa"], 2,
           ["tessar classes: --output s.fa would replace SEQUENCES s.fa"], files=[], lines=1,
           setup=copies((seqs, "s.fa")), after=same_as("s.fa", seqs))
    expect("--save-model on the default table", ["ngrams", seqs, "--save-model", "Context.arff"], 2,
           ["tessar ngrams: --arff Context.arff and --save-model Context.arff are one file"], files=[], lines=1)
    expect("--report and --dat on one file", ["motifs", seqs, "--classes", cls, "--report", "r.out", "--dat", "r.out"],
           2, ["tessar motifs: --report r.out and --dat r.out are one file"], files=[], lines=1)
    expect("two spellings of one new file", ["ngrams", seqs, "--txt", "sub/../x.txt", "--arff", "x.txt"], 2,
           ["--arff x.txt and --txt sub/../x.txt are one file"], files=[], lines=1)

    # A name longer than a file name may be, on every output flag: an error naming the flag.
    long_name = "x" * 256
    for args, flag in ((["ngrams", seqs, "--classes", cls, "--test", seqs, "--test-classes", cls], "--arff"),
                       (["ngrams", seqs, "--classes", cls, "--test", seqs, "--test-classes", cls], "--test-arff"),
                       (["ngrams", seqs, "--classes", cls], "--txt"),
                       (["ngrams", seqs, "--classes", cls], "--dat"),
                       (["ngrams", seqs], "--save-model"),
                       (["motifs", seqs], "--report"),
                       (["disclass", seqs, "--classes", cls], "--arff"),
                       (["bincod", seqs, "--code", "aldane"], "--output"),
                       (["classes", "--class", "a=9", "--class", "b=9"], "--output"),
                       (["encode", seqs, "--model", "m.txt"], "--arff")):
        expect(f"{args[0]} {flag} of 256 bytes", args + [flag, long_name], 1,
               [f"tessar {args[0]}: {flag}: cannot create {long_name}: File name too long\n"], files=[],
               setup=with_model if args[0] == "encode" else None)
    expect("--out-dir of 256 bytes", ["ngrams", seqs, "--out-dir", long_name], 1,
           [f"tessar ngrams: --out-dir: cannot create the folder {long_name}: File name too long\n"], files=[], lines=1)

    # labels out of the class order: the descriptor methods group the sequences themselves
    interleaved = [c for _ in range(6) for c in ("globin", "fn3", "kinase")]
    for method in ("disclass", "ddms"):
        cases += 1
        with tempfile.TemporaryDirectory(prefix="tessar-errors-") as work:
            classes("mixed.cls", interleaved)(work)
            code, out, err = run(tessar, [method, seqs, "--classes", "mixed.cls"], work)
            with open(os.path.join(work, "Context.arff")) as f:
                rows = f.read().split("@data\n")[1].splitlines()
            problems = []
            if code != 0:
                problems.append(f"status {code}")
            if err != ("16 of 18 sequences moved: grouped by class in the order of the class names of "
                       "mixed.cls (the rows follow that order)\n"):
                problems.append(f"standard error {err!r}")
            if "18 sequences (18 placed)" not in out:
                problems.append(f"summary {out!r}")
            if [r.rsplit(",", 1)[1] for r in rows] != sorted(interleaved, key=["globin", "fn3", "kinase"].index):
                problems.append("the rows are not grouped by class")
            label = f"{method}: labels out of the class order"
            if problems:
                failures.append(label)
                print(f"FAIL {label}: " + "; ".join(problems))
            else:
                print(f"ok   {label}")

    print(f"{cases - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

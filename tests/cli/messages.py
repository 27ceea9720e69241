#!/usr/bin/env python3
"""The real `tessar` says where an input is wrong and what to change when a run finds nothing:

  a residue that is not a letter     status 1, the file, the line, the column and the character,
                                     no table written (tessar and encode)
  a file that cannot be opened       status 1, the system's reason (missing, a folder, no folder
  or created                         to create it in)
  an unknown subcommand or flag      status 2, the nearest name when one is near
  names in any case                  --matrix BLOSUM62 --format CSV --code Aldane give the files of
                                     the lower-case names; the model keeps writing them so
  a run that finds no feature        status 0, one line naming the answer that excluded
                                     everything and its value
  residues outside the 20 amino      a note per file with the count and the letters; a warning
  acids, nucleotides                 when the residues look like nucleotides
  the motif examples                 the README's and --help's motif commands find motifs on the
                                     shipped sample

Usage: messages.py BIN_FOLDER
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
from steps import Failure, Steps  # noqa: E402

REPO = os.path.dirname(os.path.dirname(HERE))
SAMPLE, SAMPLE_CLASSES = os.path.join(REPO, "samples", "Sample.txt"), os.path.join(REPO, "samples", "Sample.cls")


def run(tessar, args, cwd, status):
    proc = subprocess.run([tessar] + args, cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=120)
    err = proc.stderr.decode(errors="replace")
    if proc.returncode != status:
        raise Failure(f"tessar {' '.join(args)}: status {proc.returncode}, not {status}: {err!r}")
    return proc.stdout.decode(), err


def in_folder(files):
    """A fresh folder holding the sample and `files` (name -> text)."""
    work = tempfile.mkdtemp(prefix="tessar-messages-")
    shutil.copy(SAMPLE, os.path.join(work, "Sample.txt"))
    shutil.copy(SAMPLE_CLASSES, os.path.join(work, "Sample.cls"))
    for name, text in files.items():
        with open(os.path.join(work, name), "w") as f:
            f.write(text)
    return work


def fails_with(tessar, args, status, message, files=None, whole=True):
    """`args` ends with `status` and standard error begins with the line `message`; when `whole`,
    that line is all, and no file is written."""
    work = in_folder(files or {})
    try:
        before = set(os.listdir(work))
        _, err = run(tessar, args, work, status)
        if not err.startswith(message + "\n") or (whole and err != message + "\n"):
            raise Failure(f"standard error {err!r}, not {message!r}")
        made = sorted(set(os.listdir(work)) - before)
        if whole and made:
            raise Failure(f"files written {made}")
    finally:
        shutil.rmtree(work)


def says(tessar, args, lines, files=None):
    """`args` ends with status 0 and standard error holds each of `lines` once."""
    work = in_folder(files or {})
    try:
        _, err = run(tessar, args + ["--out-dir", "out"], work, 0)
        for line in lines:
            if err.count(line + "\n") != 1:
                raise Failure(f"{line!r} not once in {err!r}")
    finally:
        shutil.rmtree(work)


def same_files_in_any_case(tessar):
    work = in_folder({})
    try:
        for folder, names in (("lower", ["blosum62", "csv", "aldane"]), ("upper", ["BLOSUM62", "CSV", "Aldane"])):
            run(tessar, ["ddms", "Sample.txt", "--classes", "Sample.cls", "--matrix", names[0], "--format", names[1],
                         "--save-model", f"{folder}/model.txt", "--out-dir", folder, "-q"], work, 0)
            run(tessar, ["bincod", "Sample.txt", "--code", names[2], "--output", f"{folder}/coded.dat", "--out-dir", folder,
                         "-q"], work, 0)
        lower, upper = (os.path.join(work, f) for f in ("lower", "upper"))
        if sorted(os.listdir(lower)) != sorted(os.listdir(upper)):
            raise Failure(f"files {sorted(os.listdir(upper))}, not {sorted(os.listdir(lower))}")
        for name in os.listdir(lower):
            if open(os.path.join(lower, name), "rb").read() != open(os.path.join(upper, name), "rb").read():
                raise Failure(f"{name} differs")
        if "matrix blosum62\n" not in open(os.path.join(upper, "model.txt")).read():
            raise Failure("the model does not write the matrix as blosum62")
    finally:
        shutil.rmtree(work)


def motif_examples_find_motifs(tessar):
    """The motif commands the README and --help show, run on the shipped sample."""
    readme = open(os.path.join(REPO, "README.md")).read()
    help_text = subprocess.run([tessar, "motifs", "--help"], stdout=subprocess.PIPE, text=True).stdout
    examples = re.findall(r"^\s*(tessar motifs .*)$", readme, re.M) + re.findall(r"^\s*(tessar motifs .*)$",
                                                                                  help_text, re.M)
    if len(examples) < 2:
        raise Failure(f"examples found: {examples}")
    work = in_folder({})
    try:
        for example in examples:
            args = [{"seqs.fasta": "Sample.txt", "seqs.cls": "Sample.cls"}.get(a, a)
                    for a in shlex.split(example.split("#")[0])[1:]]
            out, err = run(tessar, args, work, 0)
            found = re.search(r"(\d+) motifs found", out)
            if not found or found.group(1) == "0" or "0 motifs" in err:
                raise Failure(f"{example}: {out!r} {err!r}")
        return f"{len(examples)} examples"
    finally:
        shutil.rmtree(work)


def main():
    tessar = os.path.join(os.path.abspath(sys.argv[1]), "tessar")
    steps = Steps()
    gaps = {"gaps.fasta": ">a\nMKV-LAG\n>b\nMK.VLAG\n"}
    steps.run("gap in an aligned file", fails_with, tessar, ["ngrams", "gaps.fasta"], 1,
              "Err input: gaps.fasta line 2 column 4: '-' is not a residue letter "
              "(gaps of aligned sequences must be removed)", gaps)
    steps.run("digit in a file to encode", fails_with, tessar,
              ["encode", "numbered.fasta", "--model", "model.txt"], 1,
              "Err input: numbered.fasta line 3 column 1: '1' is not a residue letter "
              "(numbers, such as residue positions, must be removed)",
              {"numbered.fasta": ">a\nMKV\n1 LAG\n",
               "model.txt": "tessar-model 1\nmethod ngrams\nn 2\nclasses none\nfeatures 1\nfeature MK\nend\n"},
              False)  # encode creates its table before the sequences stream in

    steps.run("missing file", fails_with, tessar, ["ngrams", "Sample.txt", "--classes", "none.cls"], 1,
              "tessar ngrams: --classes: cannot open none.cls: No such file or directory")
    steps.run("folder as input", fails_with, tessar, ["disclass", "Sample.txt", "--classes", "."], 1,
              "tessar disclass: --classes: cannot open .: Is a directory")
    steps.run("output in a missing folder", fails_with, tessar, ["ngrams", "Sample.txt", "--arff", "no/x.arff"], 1,
              "tessar ngrams: --arff: cannot create no/x.arff: No such file or directory")

    steps.run("unknown subcommand", fails_with, tessar, ["ngram", "Sample.txt"], 2,
              "tessar: unknown subcommand ngram; did you mean ngrams? (see 'tessar --help')")
    steps.run("unknown flag", fails_with, tessar, ["motifs", "Sample.txt", "--min-occurence", "3"], 2,
              "tessar motifs: unknown flag --min-occurence; did you mean --min-occurrence? "
              "(see 'tessar motifs --help')")
    steps.run("unknown flag, nothing near", fails_with, tessar, ["ngrams", "Sample.txt", "--colour", "red"], 2,
              "tessar ngrams: unknown flag --colour (see 'tessar ngrams --help')")
    steps.run("names in any case", same_files_in_any_case, tessar)

    hints = [
        (["motifs", "Sample.txt", "--min-length", "4"],
         "0 motifs reach --min-occurrence 6 (a third of 18 sequences); try a lower value"),
        (["motifs", "Sample.txt", "--min-length", "300", "--min-occurrence", "1"],
         "0 motifs: --min-length 300 is longer than every sequence (the longest has 286 residues); "
         "try a lower value"),
        (["ngrams", "Sample.txt", "-n", "1000000"],
         "0 N-grams: -n 1000000 is longer than every sequence (the longest has 286 residues); try a lower value"),
        (["disclass", "Sample.txt", "--classes", "Sample.cls", "--alpha", "1"],
         "0 descriptors reach --alpha 1 with --beta 0; try a lower --alpha or a higher --beta"),
        (["ddms", "Sample.txt", "--classes", "one.cls"],
         "0 descriptors: the sequences placed are all of one class; a descriptor sets a class apart from the "
         "others"),
    ]
    one_class = {"one.cls": "#classes number\n1\n#classes names\nall\n#classes instances\n" + "all\n" * 18}
    for args, hint in hints:
        steps.run(f"hint: {' '.join(args[:1] + args[2:])}", says, tessar, args, [hint], one_class)

    odd = {"odd.fasta": ">a\nMKVXXB\n>b\nMKVLAGZ\n", "dna.fasta": ">a\nACGTTGCANACGT\n>b\nACGGGTTTAACKL\n",
           "odd.cls": "#classes number\n3\n#classes names\nglobin\nfn3\nkinase\n#classes instances\nfn3\nkinase\n"}
    steps.run("residues outside the 20 amino acids", says, tessar,
              ["ngrams", "Sample.txt", "--classes", "Sample.cls", "--test", "odd.fasta", "--test-classes", "odd.cls"],
              ["odd.fasta: 4 residues are none of the 20 amino acids (1 B, 2 X, 1 Z)"], odd)
    steps.run("nucleotides", says, tessar, ["bincod", "dna.fasta", "--code", "brevik"],
              ["Warning: dna.fasta looks like nucleotides: 92 % of its residues are A, C, G, T, U or N; "
               "the methods read protein sequences"], odd)
    steps.run("the motif examples find motifs", motif_examples_find_motifs, tessar)
    return steps.status()


if __name__ == "__main__":
    sys.exit(main())

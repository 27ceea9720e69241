#!/usr/bin/env python3
"""Makes the seed corpora of the fuzz targets (tests/fuzz/corpus/<target>/) from the repository's
own data (the inputs of fixed findings, "finding-*", are kept as they are): the sequence and classification files of tests/data and samples/, and the end-to-end
cases (their typed answers and input files). Run it from anywhere; it rewrites the corpus folders
(`make_corpus.py cli ngrams`: those of the targets named).

The command-line target (cli) takes tessar's arguments, one a line, then two files of the run's
folder, each its name on a line and then its bytes; its seeds are the command lines of CLI_SEEDS.

The method targets take one input of five parts joined by the separator line "====": the answer
script (the case's standard input without the menu key), then the files the script names as "s"
(sequences), "c" (classification), "t" (test sequences) and "u" (test classification), in the order
the case's script first names them. Files are cut to a few sequences, as the targets cap them anyway.
"""
import hashlib
import os
import sys

HERE = os.path.dirname(os.path.realpath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
CASES = os.path.join(REPO, "tests", "e2e", "cases")
SEP = b"\n====\n"
METHODS = {b"a": "discover", b"b": "ngrams", b"c": "disclass", b"d": "ddms",
           b"e": "bincod", b"f": "bincod", b"g": "bincod", b"h": "bincod"}
MAX_FILE = 1500  # bytes kept of a file


def read(path):
    with open(path, "rb") as f:
        return f.read()


def cut(data, limit=MAX_FILE):
    """The file's first lines up to `limit` bytes, ending on a line end."""
    if len(data) <= limit:
        return data
    end = data.rfind(b"\n", 0, limit)
    return data[: end + 1] if end > 0 else data[:limit]


def case_files(case):
    files = {}
    inputs = os.path.join(case, "input")
    if os.path.isdir(inputs):
        for name in sorted(os.listdir(inputs)):
            files[name.encode()] = read(os.path.join(inputs, name))
    listed = os.path.join(case, "files")
    if os.path.exists(listed):
        for line in read(listed).decode().splitlines():
            if line.strip():
                dest, src = line.split()
                files[dest.encode()] = read(os.path.join(REPO, src))
    return files


# The caps of each method target on sequences and residues (as in fuzz_<method>.cpp): seed files
# are cut to them, so that the seeds reach the computation.
CAPS = {"discover": (8, 40), "ngrams": (40, 200), "disclass": (40, 120), "ddms": (40, 120),
        "bincod": (40, 400)}


def shrink_sequences(data, n_sequences, n_residues):
    """The first sequences of a sequence file, each cut to `n_residues` letters."""
    out, count, kept = [], 0, 0
    for line in data.split(b"\n"):
        if line.startswith(b">"):
            count += 1
            if count > n_sequences:
                break
            kept = 0
            out.append(line)
        elif kept < n_residues:
            out.append(line[: n_residues - kept])
            kept += len(out[-1])
    return b"\n".join(out) + b"\n"


def method_input(method, script_lines, files):
    """The five-part input: names of the case's files become s, c, t, u in order of appearance."""
    letters = {}
    script = []
    for line in script_lines:
        key = line.rstrip(b"\r")
        if key in files and key not in letters and len(letters) < 4:
            letters[key] = b"scut"[len(letters):len(letters) + 1]
        script.append(letters.get(key, line))
    parts = [b"\n".join(script) + b"\n"]
    by_letter = {v: files[k] for k, v in letters.items()}
    for letter in (b"s", b"t"):
        if b">" in by_letter.get(letter, b"")[:400]:
            by_letter[letter] = shrink_sequences(by_letter[letter], *CAPS[method])
    for letter in (b"s", b"c", b"t", b"u"):
        parts.append(cut(by_letter.get(letter, b"")))
    return SEP.join(parts)


# Command lines of tessar for the cli target: (arguments, files "a" and "b" as (name, bytes)).
# The run's folder also holds s and c (sequences, classes), t and u (test sequences and classes)
# and the models m, d and w (fuzz_cli.cpp); the sample files below stand for files of the
# user's own. Outputs are named by one letter too, one byte away from an input's name.
SAMPLE_MODEL = (b"tessar-model 1\nmethod ddms\nmatrix blosum62\nthreshold 0.5\nclasses 2\nclass glob\n"
                b"class kin\nfeatures 2\nfeature WWHK glob\nfeature PFST kin\nend\n")
CLI_SEEDS = [
    (["ngrams", "s", "--classes", "c", "-n", "2", "--save-model", "n"], None, None),
    (["ngrams", "s", "--classes", "c", "--test", "t", "--test-classes", "u", "--format", "sparse-arff",
      "--out-dir", "o", "--dat", "e"], None, None),
    (["motifs", "s"], None, None),
    (["motifs", "s", "--classes", "c", "--form", "2", "--min-length", "4", "--min-occurrence", "2",
      "--mutations", "1", "--report", "r"], None, None),
    (["disclass", "s", "--classes", "c", "--alpha", "0.5", "--beta", "0.2", "--format", "csv",
      "--save-model", "x"], None, None),
    (["ddms", "s", "--classes", "c", "--matrix", "pam70", "--threshold", "0.3", "--test", "t",
      "--test-classes", "u", "--arff", "y"], None, None),
    (["bincod", "s", "--code", "corvel", "--output", "b"], None, None),
    (["encode", "t", "--model", "m", "--classes", "u", "--format", "libsvm"], None, None),
    (["encode", "-", "--model", "d", "--no-header", "--arff", "e"], None, None),
    (["encode", "t", "--model", "w", "-q"], None, None),
    (["encode", "t", "--model", "a"], ("a", SAMPLE_MODEL), None),
    (["classes", "s", "--from-headers", " ,2", "-o", "x"], None, None),
    (["classes", "--class", "glob=3", "--class", "kin=3", "-o", "x"], None, None),
    (["ngrams", "a", "--classes", "b", "--txt", "e"], ("a", None), ("b", None)),
    (["disclass", "f.fasta", "--classes", "b", "--arff", "a.arff"], ("f.fasta", None), ("b", None)),
    (["ngrams", "--help"], None, None),
]


def cli_input(args, first, second, sequences, classes):
    """One input of the cli target; a file given as (name, None) takes the sample files."""
    parts = [b"\n".join(a.encode() for a in args)]
    for k, given in enumerate((first, second)):
        name, data = given if given else ("", b"")
        if given and data is None:
            data = sequences if k == 0 else classes
        parts.append(name.encode() + b"\n" + data)
    return SEP.join(parts)


class Corpus:
    def __init__(self):
        self.units = {}

    def add(self, target, data):
        self.units.setdefault(target, {})[hashlib.sha1(data).hexdigest()[:16]] = data

    def write(self, only=()):
        root = os.path.join(HERE, "corpus")
        for target, units in sorted(self.units.items()):
            if only and target not in only:
                continue
            folder = os.path.join(root, target)
            os.makedirs(folder, exist_ok=True)
            # inputs of fixed findings ("finding-*") stay; the generated seeds are made afresh
            for name in os.listdir(folder):
                if not name.startswith("finding-"):
                    os.remove(os.path.join(folder, name))
            for name, data in sorted(units.items()):
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(data)
            print(f"{target}: {len(units)} inputs, {sum(map(len, units.values()))} bytes")


def main():
    corpus = Corpus()
    data_files = [os.path.join(REPO, "tests", "data", n) for n in sorted(os.listdir(os.path.join(REPO, "tests", "data")))]
    data_files += [os.path.join(REPO, "samples", n) for n in sorted(os.listdir(os.path.join(REPO, "samples")))]
    sequence_files = [cut(read(p)) for p in data_files if p.endswith((".fasta", ".txt"))]
    class_files = [read(p) for p in data_files if p.endswith(".cls")]

    for case_name in sorted(os.listdir(CASES)):
        case = os.path.join(CASES, case_name)
        stdin = read(os.path.join(case, "stdin")) if os.path.exists(os.path.join(case, "stdin")) else b""
        lines = stdin.split(b"\n")
        files = case_files(case)
        if case_name.startswith("classmaker"):
            corpus.add("classmaker", stdin)
            continue
        # every file of a case feeds the readers
        for name, data in files.items():
            if b">" in data[:200] or name.endswith((b".txt", b".fasta", b".seq")):
                for variant in (0, 6, 12, 3, 14):
                    corpus.add("sequences", bytes([variant]) + cut(data, 600))
            if data.startswith(b"#"):
                class_files.append(data)
        # the answers a case types feed the answer parsers (numbers, reals, names)
        for mode in range(3):
            corpus.add("answers", bytes([mode, 37]) + cut(stdin, 400))
        method = METHODS.get(lines[0][:1]) if lines and len(lines[0]) == 1 else None
        if method:
            # the method's own answers: up to the next menu key or the end
            script = lines[1:]
            data = method_input(method, script, files)
            if method == "bincod":
                data = bytes([b"efgh".index(lines[0][:1]) + 1]) + data
            corpus.add(method, data)

    sample = shrink_sequences(read(os.path.join(REPO, "samples", "Sample.txt")), 6, 40)
    sample_classes = b"#classes number\n2\n#classes names\nglobin\nfn3\n#classes instances\n" + b"globin\n" * 6
    for args, first, second in CLI_SEEDS:
        corpus.add("cli", cli_input(args, first, second, sample, sample_classes))

    for seq in sequence_files:
        for variant in (0, 4, 6, 13):
            corpus.add("sequences", bytes([variant]) + seq)
    for i, cls in enumerate(class_files):
        cls = cut(cls, 600)
        # control: attributes, training rows, test rows, mode (classes, test, read again), listed
        for control in (b"\x03\x05\x04\x01\x00", b"\x02\x03\x02\x03\x00", b"\x02\x03\x02\x07\x00", b"\x01\x02\x02\x0b\x01"):
            corpus.add("classfile", control + SEP + cls + SEP + cls)
        for seq in sequence_files[:2]:
            corpus.add("family", seq + SEP + cls)
    corpus.write(sys.argv[1:])


if __name__ == "__main__":
    main()

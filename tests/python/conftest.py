"""What the Python package's tests share: the command line to compare with, the sample data, and
random labelled sets."""
import csv
import os
import random
import subprocess

import numpy as np
import pytest

DATA = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "data")
RESIDUES = "ACDEFGHIKLMNPQRSTVWY"


def tessar_program():
    return os.path.join(os.path.abspath(os.environ["TESSAR_BIN"]), "tessar")


def run_tessar(*args, cwd):
    run = subprocess.run([tessar_program(), *map(str, args), "--quiet"], cwd=cwd, capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    return run


def write_fasta(path, sequences):
    with open(path, "w") as f:
        for i, s in enumerate(sequences):
            f.write(f">s{i}\n{s}\n")


def write_classes(path, labels, names):
    with open(path, "w") as f:
        f.write("#classes number\n%d\n#classes names\n" % len(names))
        f.write("".join(f"{n}\n" for n in names))
        f.write("#classes instances\n")
        f.write("".join(f"{label}\n" for label in labels))


def read_csv_table(path):
    """(attribute names, 0/1 matrix) of a CSV table, without its id and class columns."""
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    header = rows[0]
    keep = [j for j, name in enumerate(header) if name not in ("id", "class")]
    names = [header[j] for j in keep]
    values = np.array([[int(r[j]) for j in keep] for r in rows[1:]], dtype=np.uint8).reshape(len(rows) - 1, len(keep))
    return names, values


def read_sample(stem):
    import tessar
    _, sequences = tessar.read_fasta(os.path.join(DATA, stem + ".fasta"))
    with open(os.path.join(DATA, stem + ".cls")) as f:
        lines = f.read().split("\n")
    start = lines.index("#classes instances") + 1
    labels = [line for line in lines[start:] if line][: len(sequences)]
    return sequences, np.array(labels)


def random_set(seed, n, length, n_classes=2, alphabet=RESIDUES):
    """Random sequences, each class with a planted motif of its own so that the descriptor
    methods find something."""
    rng = random.Random(seed)
    motifs = ["".join(rng.choice(alphabet) for _ in range(5)) for _ in range(n_classes)]
    sequences, labels = [], []
    for i in range(n):
        c = rng.randrange(n_classes)
        s = "".join(rng.choice(alphabet) for _ in range(rng.randint(length // 2, length)))
        if rng.random() < 0.8:
            at = rng.randrange(len(s) + 1)
            s = s[:at] + motifs[c] + s[at:]
        sequences.append(s)
        labels.append(f"c{c}")
    return sequences, np.array(labels)


@pytest.fixture
def workdir(tmp_path):
    return tmp_path

"""fit(train, y).transform(test) is, cell for cell, the test table the command line writes for the
same files and parameters, and the model is the command line's model file byte for byte."""
import os

import numpy as np
import pytest

import tessar
from conftest import (RESIDUES, random_set, read_csv_table, read_sample, run_tessar, write_classes,
                      write_fasta)

# (estimator, the command line's flags for the same parameters)
CASES = [
    (lambda: tessar.NGrams(n=3), ["ngrams", "-n", "3"]),
    (lambda: tessar.NGrams(n=1), ["ngrams", "-n", "1"]),
    (lambda: tessar.Motifs(min_length=4, min_occurrence=3), ["motifs", "--min-length", "4", "--min-occurrence", "3"]),
    (lambda: tessar.Motifs(form=2, min_length=7, min_occurrence=4, mutations=1),
     ["motifs", "--form", "2", "--min-length", "7", "--min-occurrence", "4", "--mutations", "1"]),
    (lambda: tessar.DisClass(alpha=0.5, beta=0.1), ["disclass", "--alpha", "0.5", "--beta", "0.1"]),
    (lambda: tessar.DisClass(), ["disclass"]),
    (lambda: tessar.DDMS(alpha=0.5, beta=0.2, matrix="pam70", threshold=0.4),
     ["ddms", "--alpha", "0.5", "--beta", "0.2", "--matrix", "pam70", "--threshold", "0.4"]),
]


def sample_sets():
    train, y = read_sample("small")
    test, y_test = read_sample("small-test")
    return train, y, test, y_test


def random_sets():
    train, y = random_set(7, 40, 60, n_classes=3)
    test, y_test = random_set(8, 15, 60, n_classes=3)
    return train, y, test, y_test


def command_line_tables(workdir, flags, train, y, test, y_test, names):
    write_fasta(workdir / "train.fasta", train)
    write_fasta(workdir / "test.fasta", test)
    write_classes(workdir / "train.cls", y, names)
    write_classes(workdir / "test.cls", y_test, names)
    run_tessar(*flags, "train.fasta", "--classes", "train.cls", "--test", "test.fasta", "--test-classes",
               "test.cls", "--format", "csv", "--out-dir", "out", "--save-model", "model.txt", cwd=workdir)
    return read_csv_table(workdir / "out" / "Test.csv"), (workdir / "model.txt").read_text()


@pytest.mark.parametrize("make_sets", [sample_sets, random_sets], ids=["samples", "random"])
@pytest.mark.parametrize("make, flags", CASES, ids=[" ".join(f) for _, f in CASES])
def test_test_table_and_model_are_the_command_line_s(workdir, make_sets, make, flags):
    train, y, test, y_test = make_sets()
    est = make().fit(train, y)
    names = [str(c) for c in est.classes_]
    (cli_names, cli_values), cli_model = command_line_tables(workdir, flags, train, y, test, y_test, names)

    assert est.model_.text() == cli_model
    assert list(est.get_feature_names_out()) == cli_names
    table = est.transform(test)
    assert table.dtype == np.uint8 and table.shape == (len(test), len(cli_names))
    if flags[0] == "ddms":
        # the label-free rule: the rows of `tessar encode` without classes
        run_tessar("encode", "test.fasta", "--model", "model.txt", "--format", "csv", "--arff", "enc.csv",
                   cwd=workdir)
        cli_names, cli_values = read_csv_table(workdir / "enc.csv")
    np.testing.assert_array_equal(table.toarray(), cli_values)


def test_a_saved_model_encodes_on_the_command_line_as_in_python(workdir):
    train, y, test, _ = random_sets()
    for est in (tessar.Motifs(form=2, min_length=6, min_occurrence=3), tessar.DDMS(alpha=0.4)):
        est.fit(train, y)
        est.save_model(workdir / "m.txt")
        write_fasta(workdir / "t.fasta", test)
        run_tessar("encode", "t.fasta", "--model", "m.txt", "--format", "csv", "--arff", "t.csv", cwd=workdir)
        np.testing.assert_array_equal(est.transform(test).toarray(), read_csv_table(workdir / "t.csv")[1])
        loaded = tessar.load_model(workdir / "m.txt")
        assert type(loaded) is type(est)
        np.testing.assert_array_equal(loaded.transform(test).toarray(), est.transform(test).toarray())
        assert list(loaded.classes_) == list(est.classes_)


def test_a_model_of_the_command_line_loads(workdir):
    train, y, test, _ = sample_sets()
    write_fasta(workdir / "train.fasta", train)
    write_classes(workdir / "train.cls", y, sorted(set(y)))
    run_tessar("ngrams", "train.fasta", "-n", "2", "--save-model", "m.txt", "--out-dir", "o", cwd=workdir)
    est = tessar.load_model(workdir / "m.txt")
    assert isinstance(est, tessar.NGrams) and est.n == 2
    assert est.transform(test).shape == (len(test), len(est.get_feature_names_out()))


# ---- the label-free rule of DDMS, against a plain rendering of it

def read_matrix(name):
    path = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "data", "matrices", name)
    lines = [line.split() for line in open(path) if not line.startswith("#")]
    letters = lines[0]
    return {(row[0], b): int(v) for row in lines[1:] for b, v in zip(letters, row[1:])}


def similar(matrix, text, window, threshold):
    self_sum = pair_sum = np.float32(0)
    for a, b in zip(text, window):
        if a not in RESIDUES or b not in RESIDUES:
            if a != b:
                return False
            continue
        if matrix[a, b] < 0:
            return False
        self_sum += np.float32(matrix[a, a])
        pair_sum += np.float32(matrix[a, b])
    return self_sum != 0 and np.float32(pair_sum / self_sum) > np.float32(threshold)


def label_free_value(matrix, threshold, sequence, text):
    if text in sequence:
        return 1
    return int(any(similar(matrix, text, sequence[p:p + len(text)], threshold)
                   for p in range(len(sequence) - len(text) + 1)))


@pytest.mark.parametrize("matrix, threshold", [("blosum62", 0.5), ("pam30", 0.3), ("blosum45", 0.0)])
def test_ddms_rows_follow_the_label_free_rule(matrix, threshold):
    # letters outside the matrix (X, B) too: equal ones add nothing, different ones differ
    train, y = random_set(11, 30, 40, n_classes=3, alphabet=RESIDUES + "XB")
    test, _ = random_set(12, 25, 40, n_classes=3, alphabet=RESIDUES + "XB")
    est = tessar.DDMS(alpha=0.3, beta=0.3, matrix=matrix, threshold=threshold).fit(train, y)
    table = read_matrix(matrix.upper())
    texts = list(est.get_feature_names_out())
    assert texts
    expected = np.array([[label_free_value(table, threshold, s, t) for t in texts] for s in test + train])
    np.testing.assert_array_equal(est.transform(test + train).toarray(), expected)
    np.testing.assert_array_equal(est.fit_transform(train, y).toarray(), expected[len(test):])


def test_tessar_ddms_label_free_writes_both_tables_by_the_rule_of_python(workdir):
    train, y, test, y_test = random_sets()
    est = tessar.DDMS(alpha=0.4, beta=0.2).fit(train, y)
    names = [str(c) for c in est.classes_]
    # the training table's rows come grouped by class, in the order of the class names
    grouped = [train[i] for i in sorted(range(len(train)), key=lambda i: (names.index(y[i]), i))]
    write_fasta(workdir / "train.fasta", train)
    write_fasta(workdir / "test.fasta", test)
    write_classes(workdir / "train.cls", y, names)
    write_classes(workdir / "test.cls", y_test, names)
    common = ["ddms", "train.fasta", "--classes", "train.cls", "--test", "test.fasta", "--test-classes", "test.cls",
              "--alpha", "0.4", "--beta", "0.2", "--format", "csv"]
    free = run_tessar(*common, "--label-free", "--out-dir", "free", cwd=workdir)
    assert "Warning" not in free.stderr
    np.testing.assert_array_equal(read_csv_table(workdir / "free" / "Context.csv")[1], est.transform(grouped).toarray())
    np.testing.assert_array_equal(read_csv_table(workdir / "free" / "Test.csv")[1], est.transform(test).toarray())

    # without the flag the test rows use the test classes, and the user is told
    labelled = run_tessar(*common, "--out-dir", "labelled", "--save-model", "m.txt", cwd=workdir)
    assert "Warning: the test rows of Test.csv use the test classes" in labelled.stderr
    assert "--label-free" in labelled.stderr
    encoded = run_tessar("encode", "test.fasta", "--model", "m.txt", "--classes", "test.cls", "--format", "csv",
                         "--arff", "enc.csv", cwd=workdir)
    assert "Warning: the test rows of enc.csv use the test classes" in encoded.stderr
    np.testing.assert_array_equal(read_csv_table(workdir / "enc.csv")[1],
                                  read_csv_table(workdir / "labelled" / "Test.csv")[1])

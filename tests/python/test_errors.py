"""Bad input raises ValueError naming what is wrong; threads and interrupts behave."""
import os
import signal
import subprocess
import sys
import threading

import numpy as np
import pytest

import tessar
from conftest import random_set


@pytest.mark.parametrize("call, message", [
    (lambda: tessar.NGrams().fit(["MKV", "AC1D"]), r"sequence 1: '1' at position 2"),
    (lambda: tessar.NGrams().fit([]), "no sequence"),
    (lambda: tessar.NGrams().fit(["MKV", 3]), "sequence 1 is a int"),
    (lambda: tessar.NGrams().fit("MKVL"), "one string"),
    (lambda: tessar.DisClass().fit(["MKV", "AKV", "MMM"], ["a", "b"]), "2 labels for 3 sequences"),
    (lambda: tessar.DisClass().fit(["MKV", "AKV"], ["a", "a"]), "needs two"),
    (lambda: tessar.DDMS().fit(["MKV", "AKV"]), "give y"),
    (lambda: tessar.Motifs(min_length=0).fit(["MKV"]), "min_length"),
    (lambda: tessar.Motifs(mutations=11).fit(["MKV"]), "mutations"),
    (lambda: tessar.DisClass(alpha=1.5).fit(["MKV", "AKV"], ["a", "b"]), "alpha"),
    (lambda: tessar.DDMS(matrix="blosum99").fit(["MKV", "AKV"], ["a", "b"]), "blosum99"),
    (lambda: tessar.NGrams().fit(["MKV"]).transform(["MK\xe9"]), r"sequence 0: byte 0xC3"),
    (lambda: tessar.read_fasta("/nonexistent/x.fasta"), "cannot open"),
])
def test_bad_input_is_a_value_error(call, message):
    with pytest.raises(ValueError, match=message):
        call()


def test_a_bad_residue_in_a_file_is_named_by_its_line_and_column(tmp_path):
    path = tmp_path / "gaps.fasta"
    path.write_text(">a\nMKV-LA\n")
    with pytest.raises(ValueError, match=r"gaps.fasta line 2 column 4: '-' is not a residue letter"):
        tessar.read_fasta(str(path))


def test_bytes_and_lower_case_are_read_as_the_file_reader_reads_them():
    est = tessar.NGrams(n=2).fit([b"mk v*L", "MKVL"])
    assert list(est.get_feature_names_out()) == ["MK", "KV", "VL"]


def test_two_threads_transform_at_once():
    train, y = random_set(21, 60, 80)
    est = tessar.DDMS(alpha=0.3).fit(train, y)
    tests = [random_set(22 + k, 200, 80)[0] for k in range(2)]
    expected = [est.transform(t).toarray() for t in tests]
    results = [None, None]

    def work(k):
        for _ in range(3):
            results[k] = est.transform(tests[k]).toarray()

    threads = [threading.Thread(target=work, args=(k,)) for k in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for k in range(2):
        np.testing.assert_array_equal(results[k], expected[k])


LONG_SEARCH = """
import sys, tessar
from conftest import random_set
train, _ = random_set(1, 400, 400)
print("start", flush=True)
try:
    tessar.Motifs(form=2, min_length=3, min_occurrence=2, mutations=2).fit(train)
except KeyboardInterrupt:
    print("interrupted", flush=True)
    sys.exit(3)
print("finished", flush=True)
"""


def test_ctrl_c_stops_a_long_motif_search():
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([os.path.dirname(__file__), os.environ.get("PYTHONPATH", "")]))
    child = subprocess.Popen([sys.executable, "-c", LONG_SEARCH], stdout=subprocess.PIPE, text=True, env=env)
    assert child.stdout.readline().strip() == "start"
    threading.Event().wait(1.0)  # well into the search
    child.send_signal(signal.SIGINT)
    try:
        out, _ = child.communicate(timeout=10)
    except subprocess.TimeoutExpired:
        child.kill()
        pytest.fail("the search went on after Ctrl-C")
    assert child.returncode == 3, out
    assert "interrupted" in out

"""scikit-learn's conventions: parameters, cloning, pickling, pipelines, fitted state."""
import pickle
import random

import numpy as np
import pytest
from sklearn.base import clone
from sklearn.exceptions import NotFittedError
from sklearn.linear_model import LogisticRegression
from sklearn.model_selection import GridSearchCV, cross_val_score
from sklearn.pipeline import make_pipeline

import tessar
from conftest import random_set, read_sample

ESTIMATORS = [tessar.Motifs(min_length=4, min_occurrence=3), tessar.NGrams(n=2), tessar.DisClass(alpha=0.3),
              tessar.DDMS(alpha=0.3, matrix="pam70")]


@pytest.mark.parametrize("est", ESTIMATORS, ids=lambda e: type(e).__name__)
def test_parameters_clone_and_pickle(est):
    params = est.get_params()
    assert params == clone(est).get_params()
    assert "n_jobs" in params
    train, y = random_set(3, 30, 50)
    test, _ = random_set(4, 10, 50)
    with pytest.raises(NotFittedError):
        est.transform(test)
    fitted = clone(est).fit(train, y)
    assert not hasattr(est, "model_")  # clone left the original unfitted
    again = pickle.loads(pickle.dumps(fitted))
    np.testing.assert_array_equal(again.transform(test).toarray(), fitted.transform(test).toarray())
    assert list(again.get_feature_names_out()) == list(fitted.get_feature_names_out())
    np.testing.assert_array_equal(fitted.fit_transform(train, y).toarray(), fitted.transform(train).toarray())


def test_set_params_changes_what_is_learned():
    train, _ = random_set(5, 20, 40)
    est = tessar.NGrams()
    assert est.set_params(n=2) is est and est.n == 2
    assert all(len(f) == 2 for f in est.fit(train).get_feature_names_out())


def test_a_shuffled_training_set_gives_the_grouped_one_s_features():
    # the classes interleaved at random, each class's sequences in their order: the method
    # groups them back stably, so the features are those of the grouped set
    train, y = read_sample("small")
    order = sorted(range(len(train)), key=lambda i: (sorted(set(y)).index(y[i]), i))  # grouped, classes_ order
    train, y = [train[i] for i in order], y[order]
    rng = random.Random(1)
    queues = {c: [i for i in range(len(y)) if y[i] == c] for c in sorted(set(y))}
    order = []
    while any(queues.values()):
        order.append(queues[rng.choice([c for c in queues if queues[c]])].pop(0))
    assert order != sorted(order)
    for est in (tessar.DisClass(alpha=0.5, beta=0.1), tessar.DDMS(alpha=0.5, beta=0.1)):
        grouped = clone(est).fit(train, y)
        shuffled = clone(est).fit([train[i] for i in order], y[order])
        assert list(shuffled.get_feature_names_out()) == list(grouped.get_feature_names_out())
        assert list(shuffled.classes_) == sorted(set(y))


def test_pipeline_cross_validation_and_grid_search():
    sequences, y = read_sample("medium")
    pipe = make_pipeline(tessar.DisClass(alpha=0.5, beta=0.1), LogisticRegression(max_iter=1000))
    scores = cross_val_score(pipe, sequences, y, cv=3)
    assert len(scores) == 3 and scores.mean() > 0.8
    grid = GridSearchCV(make_pipeline(tessar.NGrams(), LogisticRegression(max_iter=1000)),
                        {"ngrams__n": [1, 2]}, cv=3)
    grid.fit(sequences, y)
    assert grid.best_params_["ngrams__n"] in (1, 2)


def test_read_fasta_and_binary_codes(tmp_path):
    path = tmp_path / "s.fasta"
    path.write_text("junk\n>first one\nmk v*\n>second\tx\n>third\nGX\nW\n")
    ids, sequences = tessar.read_fasta(path)
    assert ids == ["first", "second", "third"]
    assert sequences == ["MKV", "", "GXW"]
    codes = tessar.binary_codes(sequences, code="corvel")
    assert [c.shape for c in codes] == [(3, 16), (0, 16), (3, 16)]
    assert codes[2][1].sum() == 0  # X is no amino acid: zeros
    assert codes[0].dtype == np.uint8 and set(np.unique(codes[0])) <= {0, 1}
    with pytest.raises(ValueError, match="not one of"):
        tessar.binary_codes(sequences, code="nope")

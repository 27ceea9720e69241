"""Protein sequences to feature tables, as scikit-learn transformers.

Each of Tessar's methods is an estimator on the library's own code: ``fit`` learns the features
from training sequences (and, for the descriptor methods, their labels), ``transform`` gives the
feature table of any sequences as a ``scipy.sparse.csr_matrix`` of ``uint8``, one row per
sequence and one column per feature, in the command line's attribute order.

    >>> import tessar
    >>> ids, seqs = tessar.read_fasta("seqs.fasta")
    >>> table = tessar.NGrams(n=3).fit_transform(seqs)

Sequences are ``str`` or ``bytes`` read as the sequence files are: blanks, tabs and ``*`` are
skipped, lower case is folded to upper case, any other character that is not a letter is an
error (``ValueError`` naming the sequence).

Models are the command line's model files: ``save_model`` writes one that ``tessar encode
--model`` reads, and ``load_model`` reads any of them, also one written by ``tessar ...
--save-model``.
"""

import numpy as np
import scipy.sparse
from sklearn.base import BaseEstimator, TransformerMixin
from sklearn.exceptions import NotFittedError

from . import _tessar

__all__ = ["Motifs", "NGrams", "DisClass", "DDMS", "read_fasta", "binary_codes", "load_model"]


def _sequence_list(X):
    """X as a list the compiled module reads (a single string is refused: it would be taken as
    a list of one-letter sequences)."""
    if isinstance(X, (str, bytes)):
        raise ValueError("Err: X is one string; give a list of sequences")
    return list(X)


# the parameters several estimators share, as their docstrings describe them
_THRESHOLDS_DOC = """    alpha : float, default 0.0
        ALPHA, from 0 to 1: the least share of its best class a descriptor holds.
    beta : float, default 0.0
        BETA, from 0 to 1: the greatest share of the other classes a descriptor holds.
"""
_N_JOBS_DOC = """    n_jobs : int or None, default None
        Threads; None or 0: every core, -1 every core, -2 every core but one.
"""


class _Method(TransformerMixin, BaseEstimator):
    """What the four estimators share: the model (``model_``) and its rows."""

    _method = ""          # the method's name in the table of methods and in model files
    _needs_labels = False
    _parameters = ()      # the constructor arguments the method learns with, by name

    def _learn_parameters(self):
        out = []
        for name in self._parameters:
            value = getattr(self, name)
            if value is None:
                continue
            if isinstance(value, (bool, np.bool_)):
                raise ValueError(f"Err: {name} {value!r} is not a number")
            out.append((name, str(value) if not isinstance(value, float) else repr(value)))
        return out

    def fit(self, X, y=None):
        """Learns the features from the sequences ``X`` (and their labels ``y``).

        ``X``: a sequence of protein strings (``str`` or ``bytes``). ``y``: one label per
        sequence (any values ``numpy.unique`` can order); required by DisClass and DDMS, which
        group the sequences by class themselves. Returns the estimator.
        """
        self._learn(X, y, with_rows=False)
        return self

    def fit_transform(self, X, y=None, **fit_params):
        """``fit(X, y).transform(X)``, the sequences read once for both."""
        return self._table(self._learn(X, y, with_rows=True))

    def _learn(self, X, y, with_rows):
        sequences = _sequence_list(X)
        labels, names = [], []
        if y is None:
            if self._needs_labels:
                raise ValueError(f"Err: {type(self).__name__} learns from labelled sequences: give y")
            self.__dict__.pop("classes_", None)  # no classes learned
        else:
            y = np.asarray(y)
            if y.ndim != 1:
                raise ValueError(f"Err: y must hold one label per sequence (its shape is {y.shape})")
            if len(y) != len(sequences):
                raise ValueError(f"Err: {len(y)} labels for {len(sequences)} sequences")
            self.classes_ = np.unique(y)
            names = [str(c) for c in self.classes_]
            labels = [str(v) for v in y]
        learned = _tessar.learn(self._method, sequences, labels, names, self._learn_parameters(), self.n_jobs,
                                with_rows)
        self.model_, rows = learned if with_rows else (learned, None)
        self.n_features_out_ = len(self.model_.features)
        return rows

    def _table(self, rows):
        starts, columns = rows
        data = np.ones(len(columns), dtype=np.uint8)
        return scipy.sparse.csr_matrix((data, columns, starts), shape=(len(starts) - 1, self.n_features_out_))

    def _check_fitted(self):
        if getattr(self, "model_", None) is None:
            raise NotFittedError(f"This {type(self).__name__} is not fitted yet: call fit first")

    def transform(self, X):
        """The feature table of the sequences ``X``: a ``scipy.sparse.csr_matrix`` of ``uint8``,
        one row per sequence, the columns in the order of ``get_feature_names_out()``."""
        self._check_fitted()
        return self._table(self.model_.transform(_sequence_list(X), self.n_jobs))

    def get_feature_names_out(self, input_features=None):
        """The attribute names of the columns, as the command line's tables name them (a motif
        *X*Y* as ``X*Y``)."""
        self._check_fitted()
        return np.asarray(self.model_.features, dtype=object)

    def save_model(self, path):
        """Writes the model file of the fitted estimator to ``path``: the file that ``tessar
        encode --model`` reads."""
        self._check_fitted()
        with open(path, "w", encoding="utf-8", newline="\n", errors="surrogateescape") as f:
            f.write(self.model_.text())

    # pickle: the model travels as its model file's text
    def __getstate__(self):
        state = dict(self.__dict__)
        if state.get("model_") is not None:
            state["model_"] = state["model_"].text()
        return state

    def __setstate__(self, state):
        state = dict(state)
        if isinstance(state.get("model_"), str):
            state["model_"] = _tessar.model_from_text(state["model_"], "the pickled model")
        self.__dict__.update(state)


class Motifs(_Method):
    __doc__ = """Active motifs: *X* (form 1) or *X*Y* (form 2) found in enough training sequences.

    Parameters
    ----------
    form : int, default 1
        1 for motifs *X*, 2 for pairs *X*Y* (X, then Y somewhere after it).
    min_length : int, default 3
        The least motif length in residues (of X and Y together for form 2).
    min_occurrence : int or None, default None
        The least number of training sequences a motif occurs in; None: a third of them (at
        least 1), as the dialogue's default.
    mutations : int, default 0
        Edit operations allowed in an occurrence during the search (0 to 10); the rows test
        exact occurrences.
""" + _N_JOBS_DOC

    _method = "motifs"
    _parameters = ("form", "min_length", "min_occurrence", "mutations")

    def __init__(self, form=1, min_length=3, min_occurrence=None, mutations=0, n_jobs=None):
        self.form = form
        self.min_length = min_length
        self.min_occurrence = min_occurrence
        self.mutations = mutations
        self.n_jobs = n_jobs


class NGrams(_Method):
    __doc__ = """Every distinct substring of n residues of the training sequences, in order of first
    appearance; a row holds 1 for each one that occurs in its sequence.

    Parameters
    ----------
    n : int, default 3
        The length of the N-grams (1 or more).
""" + _N_JOBS_DOC

    _method = "ngrams"
    _parameters = ("n",)

    def __init__(self, n=3, n_jobs=None):
        self.n = n
        self.n_jobs = n_jobs


class DisClass(_Method):
    __doc__ = """Discriminative descriptors: substrings held by at least ALPHA of the sequences of their
    best class and at most BETA of the others. Needs labels (two classes at least); a row holds
    1 for each descriptor that occurs in its sequence.

    Parameters
    ----------
""" + _THRESHOLDS_DOC + _N_JOBS_DOC

    _method = "disclass"
    _needs_labels = True
    _parameters = ("alpha", "beta")

    def __init__(self, alpha=0.0, beta=0.0, n_jobs=None):
        self.alpha = alpha
        self.beta = beta
        self.n_jobs = n_jobs


class DDMS(_Method):
    __doc__ = """Discriminative descriptors merged by a substitution matrix. Needs labels (two classes at
    least). The rows carry no label: a descriptor is 1 when its text occurs in the sequence or a
    window of the sequence is similar to it under the matrix and the threshold, whatever the
    descriptor's class and the sequence's (the command line's ``tessar encode`` without classes
    and ``tessar ddms --label-free``). The command line's test table, which decides similarity by
    the test labels, lets a classifier read the answer from the rows: on a Swiss-Prot split a
    logistic regression scores 100 % on it, and 0 % once the two test labels are swapped.

    Parameters
    ----------
""" + _THRESHOLDS_DOC + """    matrix : str, default "blosum62"
        The substitution matrix: blosum45, blosum62, blosum80, pam30, pam70 or pam250.
    threshold : float, default 0.5
        The similarity threshold (0 or more): the least score of a similar window.
""" + _N_JOBS_DOC

    _method = "ddms"
    _needs_labels = True
    _parameters = ("alpha", "beta", "matrix", "threshold")

    def __init__(self, alpha=0.0, beta=0.0, matrix="blosum62", threshold=0.5, n_jobs=None):
        self.alpha = alpha
        self.beta = beta
        self.matrix = matrix
        self.threshold = threshold
        self.n_jobs = n_jobs


_ESTIMATORS = {cls._method: cls for cls in (Motifs, NGrams, DisClass, DDMS)}


def load_model(path):
    """A fitted estimator from the model file ``path`` (``save_model``, or ``tessar ...
    --save-model``). The parameters the file keeps (N, the motif form, the matrix and threshold)
    are set; the others keep their defaults."""
    with open(path, "rb") as f:
        text = f.read()
    model = _tessar.model_from_text(text.decode("utf-8", errors="surrogateescape"), str(path))
    cls = _ESTIMATORS[model.method]
    converters = {"n": int, "form": int, "mutations": int, "matrix": str, "threshold": float}
    kwargs = {key: converters[key](value) for key, value in model.parameters
              if key in cls._parameters and key in converters}
    est = cls(**kwargs)
    est.model_ = model
    est.n_features_out_ = len(model.features)
    if model.with_classes:
        est.classes_ = np.asarray(model.class_names)
    return est


def read_fasta(path):
    """Reads a sequence file with the programs' own reader: returns ``(ids, sequences)``, the id
    being the header's text after ``>`` up to the first blank or tab, the sequences as the
    programs take them (upper case, blanks and ``*`` dropped). Bad input raises ValueError."""
    ids, sequences = _tessar.read_fasta(str(path))
    return ids, sequences


def binary_codes(sequences, code="aldane"):
    """The binary residue codes of each sequence: one ``uint8`` array per sequence of shape
    (residues, bits), the bits of each residue's code (8 for aldane and brevik, 16 for corvel,
    24 for dunmore); a residue outside the 20 amino acids is all zeros."""
    return _tessar.binary_codes(_sequence_list(sequences), code)

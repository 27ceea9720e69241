#!/usr/bin/python3
"""How optimistic a table mined once is: 5-fold cross-validated accuracy of a logistic regression
on DisClass features of the real sample families (tests/data/medium: globins, fibronectin type
III, protein kinase domains), (a) the descriptors mined once on every sequence and the table
cross-validated, (b) the pipeline, the descriptors mined again inside each training fold.

usage: bench/honest_evaluation.py [BUILD_FOLDER] [ALPHA BETA]
       (default build/default, and both ALPHA 0.5 / BETA 0.1 and ALPHA 0 / BETA 0)
"""
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "default"))
sys.path.insert(0, os.path.join(BUILD, "python"))

import numpy as np  # noqa: E402
from sklearn.linear_model import LogisticRegression  # noqa: E402
from sklearn.model_selection import StratifiedKFold, cross_val_score  # noqa: E402
from sklearn.pipeline import make_pipeline  # noqa: E402

import tessar  # noqa: E402


def evaluate(sequences, labels, alpha, beta):
    folds = StratifiedKFold(n_splits=5, shuffle=True, random_state=0)
    table = tessar.DisClass(alpha=alpha, beta=beta).fit_transform(sequences, labels)
    mined_once = cross_val_score(LogisticRegression(max_iter=2000), table, labels, cv=folds)
    pipeline = make_pipeline(tessar.DisClass(alpha=alpha, beta=beta), LogisticRegression(max_iter=2000))
    in_pipeline = cross_val_score(pipeline, sequences, labels, cv=folds)
    print(f"DisClass(alpha={alpha}, beta={beta}), {table.shape[1]} descriptors on all the sequences")
    print(f"  (a) mined once, table cross-validated   {mined_once.mean():.3f} (folds {np.round(mined_once, 3)})")
    print(f"  (b) mined inside each fold (pipeline)   {in_pipeline.mean():.3f} (folds {np.round(in_pipeline, 3)})")


def main():
    settings = [(float(sys.argv[2]), float(sys.argv[3]))] if len(sys.argv) > 3 else [(0.5, 0.1), (0.0, 0.0)]
    data = os.path.join(ROOT, "tests", "data", "medium")
    _, sequences = tessar.read_fasta(data + ".fasta")
    lines = open(data + ".cls").read().split("\n")
    labels = np.array([line for line in lines[lines.index("#classes instances") + 1:] if line][:len(sequences)])
    print(f"{len(sequences)} sequences, {len(set(labels))} classes, 5-fold stratified (shuffled, seed 0), "
          "logistic regression")
    for alpha, beta in settings:
        evaluate(sequences, labels, alpha, beta)


if __name__ == "__main__":
    main()

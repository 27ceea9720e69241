#!/usr/bin/env python3
"""Fail when a file of the repository names a path outside it.

The repository must build, test and benchmark from a clone alone: no file may read data from a
folder beside the clone or from a path of one developer's machine. Every file of the repository
is read (the files git tracks when the folder is a git checkout, otherwise every file of the tree
but build and output folders), except the data folders, whose contents are data, not paths:
tests/data/, samples/, and the expected/ and input/ folders of the e2e cases; and images (PNG),
whose compressed bytes may spell anything.

usage: no_outside_paths.py [--root DIR]     (default: the repository holding this script)
Prints one line per offence (file:line: the path) and exits 1 if there is any, else 0.
"""
import argparse
import os
import re
import subprocess
import sys

# What counts as a path outside the repository. Each pattern starts a path at a word boundary,
# so that a path relative to a variable or a folder (${DIR}/..., build/...) is not taken.
#   - the team's folder beside the repository, by its relative name;
#   - absolute paths under the roots of users' and machines' own folders: home, root, work,
#     Users, mnt, media; nothing the suite or its tests need lives there;
#   - paths in the home folder of whoever runs the command, by ~ or HOME;
#   - absolute paths in the temporary folder, except mkstemp/mkdtemp templates (a name ending
#     in XXXXXX, which the system completes afresh at each run).
# System paths a program legitimately names (interpreters under usr, dev and proc entries,
# the Weka jar under usr/share, install prefixes under opt in test inputs) are not listed.
START = rb"(?<![\w.~$})\]/-])"
PATTERNS = [
    re.compile(rb"(?<![\w.-])\.\./shared\b[^\s'\"`)]*"),
    re.compile(START + rb"/(?:home|root|work|Users|mnt|media)/[^\s'\"`)]*"),
    re.compile(START + rb"/(?:tmp)/(?![\w.-]*XXXXXX)[^\s'\"`)]*"),
    re.compile(START + rb"(?:~|\$HOME|\$\{HOME\})/[^\s'\"`)]*"),
]

# Folders whose files are data (sequences, matrices, golden outputs): not read.
DATA_PREFIXES = ("tests/data/", "samples/")
DATA_CASE_FOLDERS = re.compile(r"^tests/e2e/cases/[^/]+/(?:expected|input)/")

# Walking a tree without git: the folders .gitignore leaves out, and any CMake build tree.
SKIPPED_FOLDERS = re.compile(
    r"^(?:\.git|build|build-[^/]*|workspace|bench/out|tests/e2e/cases/[^/]+/actual)$"
    r"|(?:^|/)__pycache__$")


# Files that are images: bytes, not text.
DATA_SUFFIXES = (".png",)


def is_data(path):
    return (path.startswith(DATA_PREFIXES) or path.endswith(DATA_SUFFIXES)
            or DATA_CASE_FOLDERS.match(path) is not None)


def git_files(root):
    """The files git tracks under ROOT, or None when ROOT is no git checkout git can read."""
    if not os.path.exists(os.path.join(root, ".git")):
        return None
    try:
        out = subprocess.run(["git", "-C", root, "ls-files", "-z"], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return None
    return [name for name in out.decode().split("\0") if name]


def walked_files(root):
    found = []
    for folder, subfolders, names in os.walk(root):
        rel = os.path.relpath(folder, root).replace(os.sep, "/")
        rel = "" if rel == "." else rel + "/"
        subfolders[:] = sorted(
            d for d in subfolders
            if not SKIPPED_FOLDERS.search(rel + d)
            and not os.path.exists(os.path.join(folder, d, "CMakeCache.txt")))
        found.extend(rel + name for name in sorted(names))
    return found


def offences(data):
    """(line number, path) for every outside path named in DATA (bytes)."""
    hits = []
    for number, line in enumerate(data.splitlines(), 1):
        for pattern in PATTERNS:
            hits.extend((number, m.group().decode("latin-1")) for m in pattern.finditer(line))
    return hits


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--root", default=os.path.dirname(os.path.dirname(os.path.dirname(
        os.path.realpath(__file__)))))
    root = os.path.realpath(ap.parse_args().root)
    files = git_files(root)
    source = "git ls-files"
    if files is None:
        files, source = walked_files(root), "the tree"
    checked = 0
    bad = 0
    for name in files:
        path = os.path.join(root, name)
        if is_data(name) or not os.path.isfile(path):
            continue
        checked += 1
        with open(path, "rb") as f:
            for number, text in offences(f.read()):
                print(f"{name}:{number}: {text}")
                bad += 1
    if bad:
        print(f"{bad} path(s) outside the repository in {checked} files ({source}); "
              "put what they name in the repository (tests/data, bench/) instead")
        return 1
    print(f"ok: {checked} files ({source}) name no path outside the repository")
    return 0


if __name__ == "__main__":
    sys.exit(main())

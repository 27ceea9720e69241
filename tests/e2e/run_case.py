#!/usr/bin/env python3
"""Run one end-to-end case: the real program, a scripted standard input, a fresh folder.

A case folder holds:
  stdin         the lines typed at the console (bytes, as they stand)
  program       optional: "classmaker" instead of the default "launcher"
  files         optional: lines "DEST SOURCE" copying SOURCE (a path relative to the repository
                root, e.g. samples/Sample.txt or tests/data/small.fasta) into the working
                folder as DEST
  input/        optional: files copied into the working folder as they are
  no-library    optional: run the launcher alone, without the library beside it
  expected/     stdout, rc, optional stderr (empty when absent), and every file the run
                creates or changes in the working folder, byte for byte

The processor times that methods print ("0.000123 seconds") differ from run to run: in stdout
they are compared as "#.###### seconds".

On a mismatch the run's own outputs are left in <case>/actual/. With --regen (or E2E_REGEN=1)
the expected folder is rewritten from the run instead: review the diff before committing.
"""
import argparse
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(__file__))))


def repository_file(src):
    """The path of SOURCE in a files line; a case reads only files the repository carries."""
    path = os.path.realpath(os.path.join(REPO, src))
    if os.path.commonpath([path, REPO]) != REPO:
        sys.exit(f"files: {src} is outside the repository")
    return path


def snapshot(folder):
    out = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                out[name] = f.read()
    return out


def write_folder(folder, files):
    """Makes `folder` afresh holding `files` (name -> bytes)."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def show_difference(name, want, got):
    print(f"--- {name} differs (expected {len(want)} bytes, got {len(got)} bytes)")
    a = want.decode("latin-1").splitlines(keepends=True)
    b = got.decode("latin-1").splitlines(keepends=True)
    diff = list(difflib.unified_diff(a, b, "expected/" + name, "actual/" + name, n=2))
    for line in diff[:60]:
        print(repr(line)[1:-1])
    if len(diff) > 60:
        print(f"... {len(diff) - 60} more diff lines")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True, help="folder holding launcher, classmaker and the library")
    ap.add_argument("--regen", action="store_true")
    ap.add_argument("case")
    args = ap.parse_args()
    case = os.path.abspath(args.case)
    regen = args.regen or os.environ.get("E2E_REGEN") == "1"

    def case_file(name):
        return os.path.join(case, name)

    program = "launcher"
    if os.path.exists(case_file("program")):
        program = open(case_file("program")).read().strip()

    with tempfile.TemporaryDirectory(prefix="tessar-e2e-") as tmp:
        work = os.path.join(tmp, "work")
        os.mkdir(work)
        bindir = os.path.abspath(args.bin)
        if os.path.exists(case_file("no-library")):
            bindir = os.path.join(tmp, "bin")
            os.mkdir(bindir)
            shutil.copy2(os.path.join(args.bin, program), bindir)

        if os.path.isdir(case_file("input")):
            for name in os.listdir(case_file("input")):
                shutil.copy(os.path.join(case_file("input"), name), work)
        if os.path.exists(case_file("files")):
            for line in open(case_file("files")):
                if line.strip():
                    dest, src = line.split()
                    shutil.copy(repository_file(src), os.path.join(work, dest))
        before = snapshot(work)

        stdin = open(case_file("stdin"), "rb").read() if os.path.exists(case_file("stdin")) else b""
        run = subprocess.run([os.path.join(bindir, program)], input=stdin, cwd=work,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)

        actual = {name: data for name, data in snapshot(work).items() if before.get(name) != data}
        actual["stdout"] = re.sub(rb"\d+\.\d{6} seconds", b"#.###### seconds", run.stdout)
        actual["rc"] = b"%d\n" % run.returncode
        if run.stderr:
            actual["stderr"] = run.stderr

        expected_dir = case_file("expected")
        actual_dir = case_file("actual")
        if regen:
            write_folder(expected_dir, actual)
            shutil.rmtree(actual_dir, ignore_errors=True)
            print(f"regenerated {len(actual)} files in {expected_dir}")
            return 0

        expected = snapshot(expected_dir) if os.path.isdir(expected_dir) else {}
        failed = False
        for name in sorted(set(expected) | set(actual)):
            if name not in actual:
                print(f"--- {name}: expected but not written")
                failed = True
            elif name not in expected:
                print(f"--- {name}: written but not expected ({len(actual[name])} bytes)")
                if name == "stderr":
                    print(actual[name].decode("latin-1")[:4000])
                failed = True
            elif expected[name] != actual[name]:
                show_difference(name, expected[name], actual[name])
                failed = True
        if failed:
            write_folder(actual_dir, actual)
            print(f"actual outputs left in {actual_dir}")
            return 1
        print(f"ok: {len(expected)} files match")
        return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Whole files or none, through the real `tessar`:

  two runs in one folder at once    two `ngrams` with different -n, and two `disclass` on
                                    different sequence files (each must read its own family
                                    file back), started together, several rounds: both status
                                    0, each file whole (byte for byte the file of one of the two
                                    runs alone), no temporary file left
  a failed run                      the earlier Context.arff untouched, no file added
  /dev/null                         written directly, by any number of outputs, never replaced

Usage: whole_files.py BIN_FOLDER
"""
import os
import random
import shutil
import stat
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from steps import Failure, Steps  # noqa: E402

N_SEQUENCES = 3000
ROUNDS = 8


def make_inputs(work):
    """Two sequence files of N_SEQUENCES random sequences, and one classification file for both."""
    rng = random.Random(20)
    for name in ("s.fa", "t.fa"):
        with open(os.path.join(work, name), "w") as f:
            for i in range(N_SEQUENCES):
                f.write(f">s{i}\n{''.join(rng.choices('ACDEFGHIKLMNPQRSTVWY', k=150))}\n")
    half = N_SEQUENCES // 2
    with open(os.path.join(work, "s.cls"), "w") as f:
        f.write("#classes number\n2\n#classes names\na\nb\n#classes instances\n" + "a\n" * half + "b\n" * half)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def temporary_files(folder):
    return [name for name in os.listdir(folder) if name.startswith(".")]


def alone(tessar, work, label, args, names):
    """The files `names` of one run of `args` alone, in a folder of its own."""
    folder = os.path.join(work, "alone-" + label)
    os.mkdir(folder)
    subprocess.run([tessar] + args + ["-q"], cwd=folder, check=True)
    return {name: read(os.path.join(folder, name)) for name in names}


def check_concurrent(tessar, work, command, first, second, names):
    """Runs `command + first` and `command + second` together in one folder, ROUNDS times."""
    wanted = [alone(tessar, work, f"{command[0]}-{i}", command + extra, names)
              for i, extra in enumerate((first, second))]
    shared = os.path.join(work, "shared-" + command[0])
    os.mkdir(shared)
    for round_ in range(ROUNDS):
        runs = [subprocess.Popen([tessar] + command + extra + ["-q"], cwd=shared, stderr=subprocess.PIPE)
                for extra in (first, second)]
        for run in runs:
            _, err = run.communicate(timeout=300)
            if run.returncode != 0:
                raise Failure(f"round {round_}: status {run.returncode}: {err.decode(errors='replace')[:300]}")
        for name in names:
            got = read(os.path.join(shared, name))
            if got not in (wanted[0][name], wanted[1][name]):
                raise Failure(f"round {round_}: {name} ({len(got)} bytes) is the file of neither run")
        if temporary_files(shared):
            raise Failure(f"round {round_}: temporary files left: {temporary_files(shared)}")
    return f"{ROUNDS} rounds"


def check_failed_run(tessar, work):
    folder = os.path.join(work, "failed")
    os.mkdir(folder)
    with open(os.path.join(folder, "bad.cls"), "w") as f:
        f.write("#classes number\n2\n#classes names\na\nb\nno keyword line\n")
    with open(os.path.join(folder, "Context.arff"), "w") as f:
        f.write("earlier\n")
    before = sorted(os.listdir(folder))
    run = subprocess.run([tessar, "ngrams", "../s.fa", "--classes", "bad.cls"], cwd=folder,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if run.returncode != 1 or run.stderr != b"Err: Class file invalid @data\n":
        raise Failure(f"status {run.returncode}, {run.stderr!r}")
    if read(os.path.join(folder, "Context.arff")) != b"earlier\n":
        raise Failure("the earlier Context.arff was changed")
    if sorted(os.listdir(folder)) != before:
        raise Failure(f"files {sorted(os.listdir(folder))}, before the run {before}")


def check_devices(tessar, work):
    folder = os.path.join(work, "devices")
    os.mkdir(folder)
    run = subprocess.run([tessar, "ngrams", "../s.fa", "--arff", "/dev/null", "--txt", "/dev/null",
                          "--save-model", "m.txt", "-q"], cwd=folder, stderr=subprocess.PIPE)
    if run.returncode != 0:
        raise Failure(f"status {run.returncode}: {run.stderr.decode(errors='replace')}")
    if not stat.S_ISCHR(os.stat("/dev/null").st_mode):
        raise Failure("/dev/null was replaced")
    if sorted(os.listdir(folder)) != ["m.txt"]:
        raise Failure(f"files {sorted(os.listdir(folder))}")


def main():
    tessar = os.path.join(os.path.abspath(sys.argv[1]), "tessar")
    steps = Steps()
    work = tempfile.mkdtemp(prefix="tessar-whole-")
    try:
        make_inputs(work)
        steps.run("two ngrams runs at once", check_concurrent, tessar, work,
                  ["ngrams", "../s.fa", "--classes", "../s.cls", "--txt", "Context.txt", "--dat", "Context.dat"],
                  ["-n", "2"], ["-n", "3"],
                  ["Context.arff", "Context.txt", "Context.dat"])
        steps.run("two disclass runs at once", check_concurrent, tessar, work,
                  ["disclass", "--classes", "../s.cls"], ["../s.fa", "--alpha", "0.3"], ["../t.fa", "--alpha", "0.5"],
                  ["Context.arff", "LesDDs.txt", "SeqFile.seq"])
        steps.run("a failed run leaves the earlier table", check_failed_run, tessar, work)
        steps.run("outputs on /dev/null", check_devices, tessar, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return steps.status()


if __name__ == "__main__":
    sys.exit(main())

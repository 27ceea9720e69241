#!/usr/bin/env python3
"""A classification file given as a pipe, as a named pipe or as standard input ("-") gives the
very tables a plain file gives: every method reads it once, from where it stands. Compressed
inputs (gzip, zstd) give them too, from pipes as well as files.

  tessar METHOD ... --classes /dev/fd/N     (what a shell's <(cat seqs.cls) hands over)
  tessar METHOD ... --classes - < seqs.cls.zst
  tessar METHOD ... --classes FIFO          (a named pipe carrying gzip data, written while tessar reads it)
  tessar METHOD - --classes seqs.cls.zst < seqs.fasta.gz   (two gzip members)
  the launcher's menu, answering a named pipe at the classification question, its sequence
  file gzip-compressed
  a truncated gzip input and a corrupt zstd one: status 1, "Err: ...", no table

for the descriptor methods (whose class walk reads the file before their tables are written) and
the N-gram and motif methods (whose tables are written as the file is read).

A table on standard output ("--arff -") goes down a pipe; when the reader closes it early the run
fails with a message (status 1) and leaves none of its other outputs, temporary or final.

Usage: pipes.py BIN_FOLDER
"""
import gzip
import os
import shutil
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
from steps import Failure, Steps  # noqa: E402

DATA = os.path.join(os.path.dirname(HERE), "data")
SEQS = os.path.join(DATA, "small.fasta")
CLASSES = os.path.join(DATA, "small.cls")
TEST, TEST_CLASSES = os.path.join(DATA, "small-test.fasta"), os.path.join(DATA, "small-test.cls")
METHODS = {
    "disclass": ["--alpha", "0.5"],
    "ddms": ["--alpha", "0.5", "--matrix", "pam70"],
    "ngrams": ["-n", "2"],
    "motifs": ["--min-occurrence", "5"],
}


def tables(folder):
    """The regular files of `folder`; the motif report's lines naming the input files are left
    out (they name the pipes)."""
    files = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            data = open(path, "rb").read()
            files[name] = b"".join(line for line in data.splitlines(keepends=True)
                                   if not line.startswith((b"Classification file name = ", b"Input file name = ")))
    return files


def feed_fifo(path, data):
    """Writes `data` into the named pipe `path` once a reader opens it."""
    def write():
        with open(path, "wb") as f:
            f.write(data)
    thread = threading.Thread(target=write, daemon=True)
    thread.start()
    return thread


def zstd(data):
    return subprocess.run(["zstd", "-q", "-c"], input=data, stdout=subprocess.PIPE, check=True).stdout


def two_members(data):
    """gzip data in two members, as bgzip writes its blocks."""
    return gzip.compress(data[:len(data) // 3]) + gzip.compress(data[len(data) // 3:])


def run(args, cwd, **kw):
    proc = subprocess.run(args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120, **kw)
    if proc.returncode != 0:
        raise Failure(f"{' '.join(args)}: status {proc.returncode}: {proc.stderr.decode(errors='replace')}")
    return proc


def same_tables(tessar, method, flags):
    base = [tessar, method, SEQS, "--test", TEST, "--test-classes", TEST_CLASSES, "--quiet"] + flags
    data = open(CLASSES, "rb").read()
    with tempfile.TemporaryDirectory(prefix="tessar-pipes-") as work:
        plain, piped, stdin, named, packed = (os.path.join(work, d)
                                              for d in ("plain", "piped", "stdin", "named", "packed"))
        run(base + ["--classes", CLASSES, "--out-dir", plain], work)
        # an anonymous pipe, as /dev/fd/N
        read_end, write_end = os.pipe()
        writer = threading.Thread(target=lambda: (os.write(write_end, data), os.close(write_end)), daemon=True)
        writer.start()
        try:
            run(base + ["--classes", f"/dev/fd/{read_end}", "--out-dir", piped], work, pass_fds=(read_end,))
        finally:
            os.close(read_end)
        run(base + ["--classes", "-", "--out-dir", stdin], work, input=zstd(data))
        fifo = os.path.join(work, "classes.fifo")
        os.mkfifo(fifo)
        feed_fifo(fifo, gzip.compress(data))
        run(base + ["--classes", fifo, "--out-dir", named], work)
        classes_zst = os.path.join(work, "classes.zst")
        with open(classes_zst, "wb") as f:
            f.write(zstd(data))
        run([tessar, method, "-"] + base[3:] + ["--classes", classes_zst, "--out-dir", packed], work,
            input=two_members(open(SEQS, "rb").read()))
        want = tables(plain)
        for folder in (piped, stdin, named, packed):
            got = tables(folder)
            if got != want:
                differ = [n for n in sorted(set(got) | set(want)) if got.get(n) != want.get(n)]
                raise Failure(f"{os.path.basename(folder)}: {', '.join(differ)} differ from the plain file's")
        return f"{len(want)} files alike"


def menu_with_named_pipe(launcher_dir):
    """The menu's DisClass run with its classification file answered as a named pipe writes the
    files a plain file gives."""
    launcher = os.path.join(launcher_dir, "launcher")
    with tempfile.TemporaryDirectory(prefix="tessar-menu-pipe-") as work:
        outputs = {}
        for kind in ("plain", "named"):
            folder = os.path.join(work, kind)
            os.mkdir(folder)
            if kind == "plain":
                shutil.copy(SEQS, os.path.join(folder, "Sample.txt"))
            else:
                with open(os.path.join(folder, "Sample.txt"), "wb") as f:
                    f.write(two_members(open(SEQS, "rb").read()))
            if kind == "plain":
                shutil.copy(CLASSES, os.path.join(folder, "s.cls"))
            else:
                os.mkfifo(os.path.join(folder, "s.cls"))
                feed_fifo(os.path.join(folder, "s.cls"), open(CLASSES, "rb").read())
            # c, the sequence file, the classification file, no test file, ALPHA, BETA, two ARFF names
            script = b"c\n\ns.cls\n\n0.5\n0\n\n\n\nq\n"
            proc = subprocess.run([launcher], cwd=folder, input=script, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, timeout=120)
            if proc.returncode != 0:
                raise Failure(f"menu ({kind}): status {proc.returncode}")
            outputs[kind] = {n: d for n, d in tables(folder).items() if n not in ("Sample.txt", "s.cls")}
        if outputs["named"] != outputs["plain"] or "Context.arff" not in outputs["plain"]:
            raise Failure(f"the named pipe's files differ: {sorted(outputs['named'])}")
        return f"{len(outputs['plain'])} files alike"


def table_down_a_pipe(tessar):
    with tempfile.TemporaryDirectory(prefix="tessar-stdout-") as work:
        args = [tessar, "ngrams", SEQS, "--classes", CLASSES, "--txt", "c.txt"]
        run(args + ["--arff", "c.arff", "-q"], work)
        piped = run(args + ["--arff", "-"], work)
        if piped.stdout != open(os.path.join(work, "c.arff"), "rb").read():
            raise Failure("the table on standard output differs from the file")
        os.remove(os.path.join(work, "c.txt"))
        # a reader that stops after one byte (the table is larger than a pipe holds)
        proc = subprocess.Popen(args + ["--arff", "-"], cwd=work, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        proc.stdout.read(1)
        proc.stdout.close()
        err = proc.stderr.read().decode(errors="replace")
        status = proc.wait(timeout=120)
        left = sorted(n for n in os.listdir(work) if n != "c.arff")
        if status != 1 or "Err: cannot write -" not in err or left:
            raise Failure(f"a closed pipe: status {status}, {err!r}, files left {left}")
        return "the table alike; a closed pipe is an error that leaves nothing"


def damaged_inputs(tessar):
    """A gzip file cut short and a zstd file with a flipped byte: an error that says so, no table."""
    data = open(SEQS, "rb").read()
    packed = gzip.compress(data)
    cut = packed[:len(packed) * 2 // 3]
    flipped = bytearray(zstd(data))
    flipped[len(flipped) // 2] ^= 0x5A
    with tempfile.TemporaryDirectory(prefix="tessar-damaged-") as work:
        for name, content in (("cut.fasta.gz", cut), ("flipped.fasta", bytes(flipped))):
            with open(os.path.join(work, name), "wb") as f:
                f.write(content)
        out = os.path.join(work, "out")
        runs = [(["cut.fasta.gz", "--classes", CLASSES], None, "Err: cut.fasta.gz: the gzip data is truncated"),
                (["flipped.fasta", "--classes", CLASSES], None, "Err: flipped.fasta: the zstd data is corrupt"),
                ([SEQS, "--classes", "-"], gzip.compress(open(CLASSES, "rb").read())[:-12],
                 "Err: standard input: the gzip data is truncated")]
        for args, given, says in runs:
            proc = subprocess.run([tessar, "ngrams"] + args + ["--out-dir", out], cwd=work, input=given,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
            err = proc.stderr.decode(errors="replace")
            if proc.returncode != 1 or not err.startswith(says):
                raise Failure(f"{' '.join(args)}: status {proc.returncode}, {err!r}, not {says!r}")
            if os.path.exists(out) and os.listdir(out):
                raise Failure(f"{' '.join(args)}: tables left: {os.listdir(out)}")
        return f"{len(runs)} runs refused"


def main():
    bin_dir = os.path.abspath(sys.argv[1])
    tessar = os.path.join(bin_dir, "tessar")
    steps = Steps()
    for method, flags in METHODS.items():
        steps.run(f"{method}: pipe, standard input and named pipe", same_tables, tessar, method, flags)
    steps.run("menu: a named pipe at the classification question", menu_with_named_pipe, bin_dir)
    steps.run("a table on standard output, into a pipe", table_down_a_pipe, tessar)
    steps.run("damaged compressed inputs", damaged_inputs, tessar)
    return steps.status()


if __name__ == "__main__":
    sys.exit(main())

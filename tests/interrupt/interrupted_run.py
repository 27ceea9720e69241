#!/usr/bin/env python3
"""An interrupted method run: the launcher names its unfinished output files; tessar, which
writes whole files or none, removes its temporary files and leaves the final names as they were.

Starts the real launcher (or the same method through tessar) on the motif method with answers
that make the search run for minutes (form *X*Y*, minimum length 2, minimum occurrence 1, on the
18 sample sequences), waits until the report file exists (it is created before the search; for
tessar, under its temporary name) and the search has run a moment on its worker threads, sends
the signal and checks that the program ends with status 130 and what it says on standard error.
For tessar, an earlier report of that name must be untouched and no temporary file left.

    interrupted_run.py --bin FOLDER --signal INT|TERM [--program launcher|tessar]
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(__file__))))
# the menu key of the motif method, then: sequence file, no classification file, form 2,
# minimum length 2, minimum occurrence 1, no mutation, the report's name
ANSWERS = b"a\nex.txt\n\n2\n2\n1\n0\nlong-run.out\n"
FLAGS = ["motifs", "ex.txt", "--form", "2", "--min-length", "2", "--min-occurrence", "1",
         "--report", "long-run.out", "--quiet"]
EXPECTED = {"launcher": b"tessar: interrupted; long-run.out is incomplete\n",
            "tessar": b"tessar: interrupted; no output file written\n"}
EARLIER = b"an earlier report\n"


def temporary_files(work):
    return [name for name in os.listdir(work) if name.startswith(".")]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--signal", choices=["INT", "TERM"], required=True)
    ap.add_argument("--program", choices=["launcher", "tessar"], default="launcher")
    args = ap.parse_args()
    sig = getattr(signal, "SIG" + args.signal)
    program = os.path.join(os.path.abspath(args.bin), args.program)
    command = [program] + (FLAGS if args.program == "tessar" else [])

    work = tempfile.mkdtemp(prefix="tessar-interrupt-")
    try:
        shutil.copy(os.path.join(REPO, "tests", "data", "small.fasta"), os.path.join(work, "ex.txt"))
        report = os.path.join(work, "long-run.out")
        if args.program == "tessar":
            with open(report, "wb") as f:
                f.write(EARLIER)

        def report_begun():
            return temporary_files(work) if args.program == "tessar" else os.path.exists(report)
        proc = subprocess.Popen(command, cwd=work, stdin=subprocess.PIPE,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        # the answers go in and standard input stays open: the run never ends on end of input
        if args.program == "launcher":
            proc.stdin.write(ANSWERS)
            proc.stdin.flush()

        # the report exists once the search has begun (its header is written before the search)
        deadline = time.monotonic() + 300
        while not report_begun():
            if proc.poll() is not None:
                sys.exit(f"FAIL: the program ended (status {proc.returncode}) before the report existed")
            if time.monotonic() > deadline:
                proc.kill()
                sys.exit("FAIL: no report file after 300 s")
            time.sleep(0.05)
        # and a moment later the search's worker threads are running: the signal must still
        # reach the thread that owns interrupts
        time.sleep(0.5)
        if proc.poll() is not None:
            sys.exit(f"FAIL: the program ended (status {proc.returncode}) before the signal")

        proc.send_signal(sig)
        try:
            _, stderr = proc.communicate(timeout=120)
        except subprocess.TimeoutExpired:
            proc.kill()
            sys.exit(f"FAIL: the program did not end on SIG{args.signal}")
        failures = []
        if proc.returncode != 130:
            failures.append(f"status {proc.returncode}, expected 130")
        expected = EXPECTED[args.program]
        if stderr != expected:
            failures.append(f"standard error {stderr!r}, expected {expected!r}")
        if args.program == "tessar":
            if temporary_files(work):
                failures.append(f"temporary files left: {temporary_files(work)}")
            with open(report, "rb") as f:
                if f.read() != EARLIER:
                    failures.append("the earlier report was changed")
            if sorted(os.listdir(work)) != ["ex.txt", "long-run.out"]:
                failures.append(f"files left: {sorted(os.listdir(work))}")
        if failures:
            sys.exit("FAIL: " + "; ".join(failures))
        print(f"ok: {args.program}, SIG{args.signal} -> status 130, {expected.decode().strip()}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

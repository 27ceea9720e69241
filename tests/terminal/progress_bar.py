#!/usr/bin/env python3
"""The progress bar of `tessar` on a real terminal, and its absence elsewhere.

In a detached tmux pane of 100 by 30 (standard error is the terminal), a motif run and a
descriptor run must each leave one finished line per stage: "search ... checked, ... found" with
its time, "mining [###...] 100%  in m:ss" and "writing [###...] 100%  in m:ss"; standard
output (sent to a file) holds only the summary line. With --quiet the pane shows nothing, and
with standard error sent to a file (no terminal) that file stays empty: no bar, no carriage
return. The test waits for the runs to end, never for a time.

Usage: progress_bar.py BIN_FOLDER   (exit 77 = skipped: tmux is not installed)
"""
import os
import random
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 100, 30
TIMEOUT = 300.0  # the sanitizer build on a loaded machine


def make_data(folder):
    rng = random.Random(3)
    with open(os.path.join(folder, "s.fasta"), "w") as f, open(os.path.join(folder, "s.cls"), "w") as c:
        labels = []
        for i in range(600):
            k = i * 3 // 600
            body = "".join(rng.choice("ACDEGKLM") for _ in range(rng.randint(10, 20)))
            f.write(f">s{i}\n{body[:5]}{['WHY', 'FRP', 'QNT'][k]}{body[5:]}\n")
            labels.append(f"c{k}")
        c.write("#classes number\n3\n#classes names\nc0\nc1\nc2\n#classes instances\n" + "\n".join(labels))


class Tmux:
    def __init__(self, folder):
        self.socket = os.path.join(folder, "tmux.sock")
        self.env = {k: v for k, v in os.environ.items() if k != "TMUX"}

    def run(self, *args):
        return subprocess.run(["tmux", "-S", self.socket, "-f", "/dev/null", *args], env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=30)

    def screen(self, session):
        return self.run("capture-pane", "-p", "-t", session).stdout

    def stop(self):
        self.run("kill-server")


def in_terminal(tmux, folder, command):
    """Runs `command` in a pane of its own; returns the screen once it has ended."""
    in_terminal.runs = getattr(in_terminal, "runs", 0) + 1
    session = f"bar{in_terminal.runs}"
    done = os.path.join(folder, f"done{in_terminal.runs}")
    script = f"cd {shlex.quote(folder)} && {command}; echo $? > {os.path.basename(done)}; sleep 600"
    started = tmux.run("new-session", "-d", "-s", session, "-x", str(WIDTH), "-y", str(HEIGHT), script)
    if started.returncode != 0:
        raise AssertionError(f"tmux new-session: {started.stderr}")
    deadline = time.monotonic() + TIMEOUT
    while not os.path.exists(done) or not open(done).read().strip():
        if time.monotonic() > deadline:
            raise AssertionError(f"{command} did not end; screen:\n{tmux.screen(session)}")
        time.sleep(0.2)
    status = int(open(done).read())
    if status != 0:
        raise AssertionError(f"{command}: status {status}; screen:\n{tmux.screen(session)}")
    return [line.rstrip() for line in tmux.screen(session).splitlines() if line.strip()]


def main():
    if not shutil.which("tmux"):
        print("tmux is not installed: skipped")
        return 77
    tessar = shlex.quote(os.path.join(os.path.abspath(sys.argv[1]), "tessar"))
    failures, passed = [], []

    def check(label, ok, detail):
        print(("ok   " if ok else "FAIL ") + label + ("" if ok else ": " + detail))
        (passed if ok else failures).append(label)

    with tempfile.TemporaryDirectory(prefix="tessar-bar-") as folder:
        make_data(folder)
        tmux = Tmux(folder)
        try:
            finished = r"\[#+\] 100%  in \d+:\d\d$"
            rows = in_terminal(tmux, folder, f"{tessar} motifs s.fasta --classes s.cls --min-length 3 "
                                             f"--out-dir m > summary.txt")
            check("motif search line", any(re.fullmatch(r"search +\d+ checked, \d+ found  \d+:\d\d", r)
                                           for r in rows), "\n".join(rows))
            check("motif writing line", any(re.match(r"writing +" + finished, r) for r in rows),
                  "\n".join(rows))
            check("one line per stage", len(rows) == 2, "\n".join(rows))
            summary = open(os.path.join(folder, "summary.txt")).read()
            check("summary on standard output", summary.startswith("motifs: 600 sequences,")
                  and summary.count("\n") == 1, summary)

            rows = in_terminal(tmux, folder, f"{tessar} disclass s.fasta --classes s.cls --out-dir d "
                                             f"--alpha 0.8 --beta 0.1 > summary.txt")
            check("mining line", any(re.match(r"mining +" + finished, r) for r in rows), "\n".join(rows))
            check("descriptor writing line", any(re.match(r"writing +" + finished, r) for r in rows),
                  "\n".join(rows))

            rows = in_terminal(tmux, folder, f"{tessar} ngrams s.fasta --classes s.cls --out-dir q --quiet")
            check("nothing with --quiet", rows == [], "\n".join(rows))
        finally:
            tmux.stop()

        # standard error a file: no bar at all
        with open(os.path.join(folder, "err.txt"), "wb") as err:
            run = subprocess.run(["sh", "-c", f"{tessar} motifs s.fasta --classes s.cls --out-dir f"],
                                 cwd=folder, stdout=subprocess.PIPE, stderr=err, timeout=TIMEOUT)
        text = open(os.path.join(folder, "err.txt"), "rb").read()
        check("no bar when standard error is a file", run.returncode == 0 and text == b"",
              f"status {run.returncode}, standard error {text[:200]!r}")

    print(f"{len(passed)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

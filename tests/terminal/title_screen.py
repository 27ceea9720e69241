#!/usr/bin/env python3
"""The launcher's title screen on a real terminal: run it in a detached tmux pane of 80 by 25,
read the pane back with its colours, and check what the user sees.

  row 1       a rule of 80 underscores on black
  rows 2-6    bright white on blue, each exactly 80 columns (the banner and a second rule)
  row 7       empty, not blue
  rows 8-25   the menu, ending with the prompt on the last row
  an invalid key redraws the very same screen; q ends the launcher with status 0

Usage: title_screen.py BIN_FOLDER   (exit 77 = skipped: tmux is not installed)
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 80, 25
TIMEOUT = 20.0   # seconds for each screen to appear (CI machines can be slow)

BANNER_TOPIC = "             Topic: Data Mining & Biological Sequences Encoding                 "
MENU = ("\t-------------------  MOTIFS ENCODING  -------------------\n"
        "\tActive Motifs(Discover)...............................[a]\n"
        "\tN-Grams...............................................[b]\n"
        "\tDiscriminant Descriptors(DisClass)....................[c]\n"
        "\tDiscriminant Descriptors with Substtution Matrix......[d]\n"
        "\t \n\n"
        "\t-------------------  BINARY ENCODING  -------------------\n"
        "\tAldane................................................[e]\n"
        "\tBrevik................................................[f]\n"
        "\tCorvel................................................[g]\n"
        "\tDunmore...............................................[h]\n\n\n"
        "\t---------------------------------------------------------\n"
        "\tExit..................................................[q]\n\n"
        "\tEnter your choice: ")

BLACK_BG, BLUE_BG, BRIGHT_WHITE = 40, 44, 97
SGR = re.compile(r"\x1b\[([0-9;]*)m")


class Failure(Exception):
    pass


class Tmux:
    """A private tmux server (own socket) holding one session."""

    def __init__(self, folder):
        self.socket = os.path.join(folder, "tmux.sock")
        self.env = {k: v for k, v in os.environ.items() if k != "TMUX"}

    def run(self, *args, check=True):
        cmd = ["tmux", "-S", self.socket, "-f", "/dev/null", *args]
        done = subprocess.run(cmd, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              text=True, timeout=30)
        if check and done.returncode != 0:
            raise Failure(f"{' '.join(cmd)} failed: {done.stderr.strip()}")
        return done.stdout

    def capture(self):
        return self.run("capture-pane", "-p", "-e", "-N", "-t", "title")

    def history_size(self):
        out = self.run("display-message", "-p", "-t", "title", "#{history_size}", check=False)
        return int(out.strip() or 0)

    def alive(self):
        return subprocess.run(["tmux", "-S", self.socket, "has-session", "-t", "title"],
                              env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def stop(self):
        subprocess.run(["tmux", "-S", self.socket, "kill-server"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def cells(capture):
    """The pane as rows of (character, foreground, background); colours are SGR numbers
    (39 / 49 for the defaults). The colour state runs on from one row to the next."""
    fg, bg = 39, 49
    rows = []
    for line in capture.split("\n")[:HEIGHT]:
        row = []
        pos = 0
        while pos < len(line):
            m = SGR.match(line, pos)
            if m:
                codes = [int(c) if c else 0 for c in m.group(1).split(";")]
                i = 0
                while i < len(codes):
                    c = codes[i]
                    if c == 0:
                        fg, bg = 39, 49
                    elif 30 <= c <= 37 or 90 <= c <= 97 or c == 39:
                        fg = c
                    elif 40 <= c <= 47 or 100 <= c <= 107 or c == 49:
                        bg = c
                    elif c in (38, 48):   # extended colour: keep it as a tuple
                        ext = tuple(codes[i:i + 3]) if codes[i + 1:i + 2] == [5] else tuple(codes[i:i + 5])
                        if c == 38:
                            fg = ext
                        else:
                            bg = ext
                        i += len(ext) - 1
                    i += 1
                pos = m.end()
            else:
                row.append((line[pos], fg, bg))
                pos += 1
        rows.append(row)
    while len(rows) < HEIGHT:
        rows.append([])
    return rows


def text(row):
    return "".join(c for c, _, _ in row)


def show(rows):
    return "\n".join(f"{n + 1:2}|{text(r)}|" for n, r in enumerate(rows))


def expected_menu_rows():
    lines = MENU.split("\n")
    return [line.expandtabs(8).rstrip() for line in lines]


def menu_drawn(rows):
    return text(rows[HEIGHT - 1]).rstrip() == "        Enter your choice:" and \
        text(rows[0]).startswith("_" * WIDTH)


def wait_for(what, predicate, tmux):
    deadline = time.monotonic() + TIMEOUT
    rows = []
    while time.monotonic() < deadline:
        rows = cells(tmux.capture())
        if predicate(rows):
            return rows
        time.sleep(0.1)
    raise Failure(f"timed out waiting for {what}; the screen was:\n{show(rows)}")


def check_title_screen(rows):
    problems = []
    rule = "_" * WIDTH
    if text(rows[0]) != rule:
        problems.append("row 1 is not a rule of 80 underscores")
    if any(bg != BLACK_BG for _, _, bg in rows[0]):
        problems.append("row 1 is not on black")
    for y in range(2, 7):
        row = rows[y - 1]
        if len(row) != WIDTH:
            problems.append(f"row {y} is {len(row)} columns wide, not 80")
        if any(bg != BLUE_BG for _, _, bg in row):
            problems.append(f"row {y} is not blue over its whole width")
        if any(fg != BRIGHT_WHITE for _, fg, _ in row):
            problems.append(f"row {y} is not bright white")
        if text(row).strip() == "":
            problems.append(f"row {y} is empty")
    if text(rows[3]) != BANNER_TOPIC:
        problems.append("row 4 is not the topic line")
    if text(rows[5]) != rule:
        problems.append("row 6 is not a rule of 80 underscores")
    if text(rows[6]).strip() != "" or any(bg == BLUE_BG for _, _, bg in rows[6]):
        problems.append("row 7 is not an empty line off the banner")
    want = expected_menu_rows()
    got = [text(r).rstrip() for r in rows[7:7 + len(want)]]
    if got != want:
        problems.append("the menu below the banner differs:\n" +
                        "\n".join(f"  want |{w}|\n  got  |{g}|" for w, g in zip(want, got) if w != g))
    if 7 + len(want) != HEIGHT:
        problems.append(f"the menu does not end on the last row ({7 + len(want)} rows used)")
    if problems:
        raise Failure("\n".join(problems) + "\nthe screen was:\n" + show(rows))


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    if shutil.which("tmux") is None:
        print("tmux is not installed: skipped")
        return 77
    launcher = os.path.join(os.path.abspath(sys.argv[1]), "launcher")
    if not os.access(launcher, os.X_OK):
        print(f"no launcher at {launcher}")
        return 1

    with tempfile.TemporaryDirectory(prefix="tessar-term-") as folder:
        tmux = Tmux(folder)
        rc_file = os.path.join(folder, "rc")
        command = f"cd {shlex.quote(folder)} && {shlex.quote(launcher)}; echo $? > {shlex.quote(rc_file)}"
        try:
            tmux.run("new-session", "-d", "-s", "title", "-x", str(WIDTH), "-y", str(HEIGHT), command)
            tmux.run("set-option", "-t", "title", "remain-on-exit", "off", check=False)

            first = wait_for("the title screen", menu_drawn, tmux)
            check_title_screen(first)

            # an invalid key: the launcher redraws, and the screen must be the same picture
            history = tmux.history_size()
            tmux.run("send-keys", "-t", "title", "x", "Enter")
            second = wait_for("the redraw after an invalid key",
                              lambda rows: tmux.history_size() > history and rows == first, tmux)
            check_title_screen(second)

            # q ends the launcher with status 0
            tmux.run("send-keys", "-t", "title", "q", "Enter")
            deadline = time.monotonic() + TIMEOUT
            while time.monotonic() < deadline and not os.path.exists(rc_file):
                time.sleep(0.1)
            if not os.path.exists(rc_file):
                raise Failure("the launcher did not end after q; the screen was:\n" +
                              show(cells(tmux.capture())))
            time.sleep(0.1)   # let the shell finish writing the status
            status = open(rc_file).read().strip()
            if status != "0":
                raise Failure(f"q ended the launcher with status {status}, not 0")
        except Failure as failure:
            print(f"FAILED: {failure}")
            return 1
        finally:
            tmux.stop()
    print("ok: title screen, redraw and exit on a real terminal")
    return 0


if __name__ == "__main__":
    sys.exit(main())

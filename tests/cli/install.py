#!/usr/bin/env python3
"""cmake --install lays out a working suite, and the manual page documents every flag.

Installs the build into a fresh prefix and checks: bin/ holds launcher, classmaker, tessar and
the library; the installed launcher finds the library beside itself (a method runs from the
menu); the installed tessar runs; share/man/man1/tessar.1 is there. Then every flag of every
question table (`tessar questions`) and every subcommand appears in the manual page.

Usage: install.py BUILD_FOLDER MANUAL_PAGE
"""
import json
import os
import subprocess
import sys
import tempfile


def main():
    build, manual = sys.argv[1], sys.argv[2]
    problems = []
    with tempfile.TemporaryDirectory(prefix="tessar-install-") as prefix:
        run = subprocess.run(["cmake", "--install", build, "--prefix", prefix], stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, text=True)
        if run.returncode != 0:
            problems.append("cmake --install failed: " + run.stdout[-500:])
        for path in ("bin/launcher", "bin/classmaker", "bin/tessar", "bin/libDLL_Tessar.so",
                     "share/man/man1/tessar.1"):
            if not os.path.exists(os.path.join(prefix, path)):
                problems.append(f"{path} not installed")
        if not problems:
            with open(os.path.join(prefix, "s.fasta"), "w") as f:
                f.write(">a\nMKVLAG\n>b\nGGKVL\n")
            menu = subprocess.run([os.path.join(prefix, "bin", "launcher")], cwd=prefix,
                                  input=b"b\ns.fasta\n\n\n\n\n\nq\n", stdout=subprocess.PIPE, timeout=60)
            if menu.returncode != 0 or b"distinct N-Grams" not in menu.stdout:
                problems.append(f"the installed launcher did not run a method: {menu.stdout[-300:]!r}")
            version = subprocess.run([os.path.join(prefix, "bin", "tessar"), "--version"],
                                     stdout=subprocess.PIPE, text=True)
            if version.returncode != 0 or not version.stdout.startswith("tessar "):
                problems.append("the installed tessar does not run")
            tables = json.loads(subprocess.run([os.path.join(prefix, "bin", "tessar"), "questions"],
                                               stdout=subprocess.PIPE, check=True).stdout)
    page = open(manual).read().replace("\\-", "-")
    for command, table in tables.items():
        if f".B {command}" not in page:
            problems.append(f"the manual page has no subcommand {command}")
        for q in table["questions"]:
            if q["flag"].startswith("-") and q["flag"] not in page:
                problems.append(f"the manual page does not list {q['flag']} ({command})")
    if ".B encode" not in page:
        problems.append("the manual page has no subcommand encode")
    for flag in ("--out-dir", "--format", "--quiet", "--code", "--class", "--from-headers",
                 "--save-model", "--model", "--no-header"):
        if flag not in page:
            problems.append(f"the manual page does not list {flag}")
    for p in problems:
        print("FAIL " + p)
    print(f"{0 if problems else 1} passed, {1 if problems else 0} failed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

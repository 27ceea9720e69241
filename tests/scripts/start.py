#!/usr/bin/env python3
"""scripts/start shows the build's progress, its warnings and errors, and stops when the build
fails; run in a copy of the repository's layout with stand-ins for cmake (canned output of a
build with CMake's Makefiles) and for the launcher.

  not a terminal   one line per target built, a warning line whole, the total time, then the
                   launcher in workspace/ with the sample files
  terminal         (through `script`, a pseudo-terminal) one status line rewritten in place with
                   the percentage and the file being compiled; no raw progress line
  build fails      the compiler's error printed whole, status 1, the launcher not started
  configure fails  CMake's messages on standard error, status 1

Usage: start.py
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from steps import Failure, Steps  # noqa: E402  (tests/steps.py)

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = """[  4%] Building CXX object library/CMakeFiles/tessar_dialogue.dir/dialogue/console.cpp.o
[  8%] Linking CXX static library libtessar_dialogue.a
[  8%] Built target tessar_dialogue
Consolidate compiler generated dependencies of target tessar_inputs
[ 50%] Building CXX object library/CMakeFiles/tessar_inputs.dir/inputs/sequences.cpp.o
library/inputs/sequences.cpp:12:5: warning: unused variable 'x' [-Wunused-variable]
[100%] Built target tessar
"""
FAILED_BUILD = """[ 50%] Building CXX object library/CMakeFiles/tessar_inputs.dir/inputs/sequences.cpp.o
library/inputs/sequences.cpp:12:5: error: 'x' was not declared in this scope
gmake[2]: *** [library/CMakeFiles/tessar_inputs.dir/build.make:76: x.o] Error 1
"""
CMAKE = """#!/bin/sh
case "$1" in
--preset) [ -z "$CONFIGURE_FAILS" ] || { echo "CMake Error: no C++ compiler"; exit 1; }; echo "-- Generating done";;
--build) cat "$BUILD_OUTPUT"; exit "${BUILD_STATUS:-0}";;
esac
"""


def layout(work):
    """A copy of scripts/start and samples/, a stand-in cmake on PATH and a stand-in launcher."""
    repo = os.path.join(work, "repo")
    for folder, names in (("scripts", ["start"]), ("samples", ["Sample.txt", "Sample.cls"])):
        os.makedirs(os.path.join(repo, folder))
        for name in names:
            shutil.copy2(os.path.join(ROOT, folder, name), os.path.join(repo, folder, name))
    stand_ins = {os.path.join(work, "bin", "cmake"): CMAKE,
                 os.path.join(repo, "build", "run", "bin", "launcher"): '#!/bin/sh\necho "launcher in ${PWD##*/}"\n'}
    for path, text in stand_ins.items():
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, 0o755)
    return repo


def start(work, output, **env):
    with open(os.path.join(work, "build-output"), "w") as f:
        f.write(output)
    env = dict(os.environ, PATH=os.path.join(work, "bin") + os.pathsep + os.environ["PATH"],
               BUILD_OUTPUT=os.path.join(work, "build-output"), **env)
    return subprocess.run([os.path.join(work, "repo", "scripts", "start")], env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=60)


def check_plain(work):
    run = start(work, BUILD)
    lines = run.stdout.splitlines()
    want = ["Building Tessar:   8% Built target tessar_dialogue",
            "library/inputs/sequences.cpp:12:5: warning: unused variable 'x' [-Wunused-variable]",
            "Building Tessar: 100% Built target tessar"]
    if run.returncode != 0 or lines[:3] != want or not lines[3].startswith("Tessar built in ") or \
            lines[4:] != ["launcher in workspace"]:
        raise Failure(f"status {run.returncode}, printed {lines}, not {want} and the launcher")
    if sorted(os.listdir(os.path.join(work, "repo", "workspace"))) != ["Sample.cls", "Sample.txt"]:
        raise Failure("the sample files are not in workspace/")


def check_terminal(work):
    if not shutil.which("script"):
        return "skipped: no `script` (util-linux)"
    with open(os.path.join(work, "build-output"), "w") as f:
        f.write(BUILD)
    log = os.path.join(work, "typescript")
    env = dict(os.environ, PATH=os.path.join(work, "bin") + os.pathsep + os.environ["PATH"],
               BUILD_OUTPUT=os.path.join(work, "build-output"))
    subprocess.run(["script", "-qec", os.path.join(work, "repo", "scripts", "start") + " </dev/null", log], env=env,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    with open(log, errors="replace", newline="") as f:
        text = f.read()
    for piece in ("\r\x1b[KBuilding Tessar: 50% ", " dialogue/console.cpp", " inputs/sequences.cpp",
                  "warning: unused variable", "Tessar built in ", "launcher in workspace"):
        if piece not in text:
            raise Failure(f"no {piece!r} on the terminal: {text[-800:]!r}")
    if "[ 50%]" in text or "Consolidate" in text:
        raise Failure(f"raw progress lines on the terminal: {text[-800:]!r}")


def check_build_fails(work):
    run = start(work, FAILED_BUILD, BUILD_STATUS="2")
    if run.returncode != 1 or "error: 'x' was not declared in this scope" not in run.stdout or \
            "launcher" in run.stdout or "the build failed" not in run.stderr:
        raise Failure(f"status {run.returncode}, printed {run.stdout!r}, {run.stderr!r}")


def check_configure_fails(work):
    run = start(work, BUILD, CONFIGURE_FAILS="1")
    if run.returncode != 1 or "CMake Error: no C++ compiler" not in run.stderr or "launcher" in run.stdout:
        raise Failure(f"status {run.returncode}, printed {run.stdout!r}, {run.stderr!r}")


def main():
    done = Steps()
    for label, check in (("not a terminal", check_plain), ("terminal", check_terminal),
                         ("build fails", check_build_fails), ("configure fails", check_configure_fails)):
        with tempfile.TemporaryDirectory(prefix="tessar-start-") as work:
            layout(work)
            done.run(label, check, work)
    return done.status()


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Run the end-to-end cases of the menu through the command line `tessar` and compare files.

For each case whose menu run has a batch equivalent, the answers typed at the console become
flags, `tessar` runs with them in a fresh folder holding the same input files, and every file
the menu run wrote (expected/, without stdout, stderr and rc) must come out byte for byte the
same, with exit status 0.

Which question each typed line answers is read from the case's expected console text: the
prompts of the method's questions (from `tessar questions`, the question tables themselves)
appear there in the order they were asked, so the n-th prompt took the n-th line after the menu
key. A case has no batch equivalent, and is skipped with its reason, when a question was asked
twice (a refused answer), the run did not end normally, the menu ran more or less than one
method, or the menu itself is the point. classmaker cases become `tessar classes --class`.
A menu run on a file without sequences (read as empty, with a warning) must instead end with
status 1 and the message "Err: no sequence in FILE ...": batch use takes no empty input.
Labels that do not fit (the menu warns "FILE has N labels for M sequences" or "label "X" of
sequence K is not among the class names of FILE") must end with status 1, the error of the
first warning ("Err: FILE: N labels for M sequences", "Err: FILE line L: label "X" is not among
the class names") and no file written. The descriptor methods' rows differ where the menu's
differ on purpose: when its class walk skipped sequences, tessar groups them by class (status 0,
a note saying how many moved, the files the menu wrote, one training row per sequence); when the
test file has more sequences than the training rows, the menu's test table stops there and
tessar's holds a row for each test sequence (the menu's table is its beginning).

Usage: batch_cases.py --bin BIN_FOLDER [--cases DIR] [case ...]
Prints one line per case and "N passed, N failed, N skipped"; exit status 1 on a failure.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
CONSOLE_FILES = {"stdout", "stderr", "rc"}


class Skip(Exception):
    pass


def prompt_pattern(prompt):
    """A printf format as a regular expression over the console text (numbers as digits)."""
    out = []
    for piece in re.split(r"(%%|%h?d)", prompt):
        if piece == "%%":
            out.append(re.escape("%"))
        elif piece in ("%d", "%hd"):
            out.append(r"-?\d+")
        else:
            out.append(re.escape(piece))
    return re.compile("".join(out).encode("latin-1"))


def asked_questions(stdout, questions):
    """The questions in the order their prompts appear in `stdout`; Skip when one appears twice."""
    found = []
    for q in questions:
        hits = [m.start() for m in prompt_pattern(q["prompt"]).finditer(stdout)]
        if len(hits) > 1:
            raise Skip(f"{q['flag']} asked {len(hits)} times (a refused answer)")
        found += [(at, q) for at in hits]
    # a prompt inside a longer one is not a question of its own
    found.sort(key=lambda item: (item[0], -len(item[1]["prompt"])))
    ordered, end = [], -1
    for at, q in found:
        if at >= end:
            ordered.append(q)
            end = at + 1
    return ordered


def leading_integer(text):
    m = re.match(r"\s*([+-]?\d+)", text)
    return int(m.group(1)) if m else None


def leading_real(text):
    m = re.match(r"\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)", text)
    return m.group(1) if m else "0"


def flag_value(q, answer):
    """The command-line value standing for a console answer."""
    if q["kind"] == "number":
        v = leading_integer(answer)
        if v is None:
            raise Skip(f"{q['flag']}: '{answer}' is no number")
        if q["choices"]:
            return q["choices"][v - int(q["min"])]
        return str(v)
    if q["kind"] == "real":
        return leading_real(answer)
    return answer


# The outputs the command line writes only when their flag names them: the menu always asks
# for them, so a menu run that wrote them is compared with a command line that names them.
WRITTEN_WHEN_NAMED = {"--txt", "--dat"}


def menu_flags(case, tables):
    """The tessar command line equivalent to the case's menu run."""
    stdin = open(os.path.join(case, "stdin"), "rb").read()
    stdout = open(os.path.join(case, "expected", "stdout"), "rb").read()
    lines = stdin.decode("latin-1").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    lines = [ln[:-1] if ln.endswith("\r") else ln for ln in lines]
    if stdout.count(b"Encoding complete") != 1:
        raise Skip("the menu did not run exactly one method to its end")
    key = lines[0] if lines else ""
    # a method whose menu keys choose a variant takes them from its key on
    def runs(t):
        variants = len(t["menu_choice"]["choices"]) if "menu_choice" in t else 1
        return len(key) == 1 and 0 <= ord(key) - ord(t["key"]) < variants

    command = next((name for name, t in tables.items() if runs(t)), None)
    if command is None:
        raise Skip(f"menu key {key!r} runs no method")
    table = tables[command]
    asked = asked_questions(stdout, table["questions"])
    answers = lines[1:1 + len(asked)]
    if len(answers) != len(asked):
        raise Skip("the input ended at a question")
    # after the answers: the key press closing the method, then q
    if [ln.strip() for ln in lines[1 + len(asked):]][-1:] != ["q"] or len(lines) != len(asked) + 3:
        raise Skip("the menu did more than one method run")
    args = [command]
    if "menu_choice" in table:
        choice = table["menu_choice"]
        args += [choice["flag"], choice["choices"][ord(key) - ord(table["key"])]]
    for q, answer in zip(asked, answers):
        if answer == "" and q["flag"] in WRITTEN_WHEN_NAMED:
            answer = q["default"]  # the command line writes them only when named
        if answer == "":
            continue  # the default
        value = flag_value(q, answer)
        args += [value] if not q["flag"].startswith("-") else [q["flag"], value]
    # the sequence file is required on the command line: its default is named
    positional = next(q for q in table["questions"] if not q["flag"].startswith("-"))
    if not any(q is positional and a for q, a in zip(asked, answers)):
        args.insert(3 if "menu_choice" in table else 1, positional["default"])
    return args


def c_integer(word):
    """A classmaker number word as "%i" reads it (decimal, 0 octal, 0x hexadecimal), or None."""
    for pattern, base in ((r"[+-]?0[xX][0-9a-fA-F]+", 16), (r"[+-]?0[0-7]*", 8), (r"[+-]?[1-9]\d*", 10)):
        if re.fullmatch(pattern, word):
            return int(word, base)
    return None


def classmaker_flags(case):
    words = open(os.path.join(case, "stdin"), "rb").read().decode("latin-1").split()
    stdout = open(os.path.join(case, "expected", "stdout"), "rb").read()
    if b"Classification file done" not in stdout:
        raise Skip("classmaker did not finish")
    if stdout.count(b"Classes number") > 1 or stdout.count(b"file name:") > 1:
        raise Skip("a question was asked again (a refused answer)")
    n = c_integer(words[0]) if words else None
    if n is None or not 1 <= n <= 99 or len(words) < 2 + 2 * n:
        raise Skip("the class count was refused or the input ended")
    args = ["classes"]
    for k in range(n):
        name, count = words[1 + 2 * k], c_integer(words[2 + 2 * k])
        if count is None or count < 0:
            raise Skip(f"instance count '{words[2 + 2 * k]}' was refused or is below 0")
        args += ["--class", f"{name}={count}"]
    return args + ["-o", words[1 + 2 * n]]


def prepare_folder(case, work):
    if os.path.isdir(os.path.join(case, "input")):
        for name in os.listdir(os.path.join(case, "input")):
            shutil.copy(os.path.join(case, "input", name), work)
    if os.path.exists(os.path.join(case, "files")):
        for line in open(os.path.join(case, "files")):
            if line.strip():
                dest, src = line.split()
                shutil.copy(os.path.join(REPO, src), os.path.join(work, dest))


def snapshot(folder):
    return {n: open(os.path.join(folder, n), "rb").read() for n in sorted(os.listdir(folder))
            if os.path.isfile(os.path.join(folder, n))}


D40_COUNT = re.compile(rb"\tWarning: (.*) has (\d+) labels for (\d+) sequences\n")
D40_LABEL = re.compile(rb'\tWarning: label "(.*)" of sequence \d+ is not among the class names of (.*)\n')
D41_SKIPPED = re.compile(rb"\tWarning: (\d+) sequences were skipped: their labels are not grouped")


def label_error(stdout):
    """The error tessar gives for the menu's first warning on labels that do not fit, as a pair of
    pieces that must begin and end one line of its standard error; None without such a warning."""
    found = [m for m in (D40_COUNT.search(stdout), D40_LABEL.search(stdout)) if m]
    if not found:
        return None
    first = min(found, key=lambda m: m.start())
    if first.re is D40_COUNT:
        name, n_labels, n_sequences = first.groups()
        return b"Err: %s: %s labels for %s sequences" % (name, n_labels, n_sequences), b""
    label, name = first.groups()
    return b"Err: %s line " % name, b': label "%s" is not among the class names' % label


def count_sequences(path):
    with open(path, "rb") as f:
        return sum(1 for line in f if line.startswith(b">"))


def data_rows(table):
    return [row for row in table.split(b"@data\n", 1)[1].split(b"\n") if row]


def flag(args, name, default):
    return args[args.index(name) + 1] if name in args else default


def run_case(case, tessar, tables):
    """None when the files match, else what differs."""
    if os.path.exists(os.path.join(case, "no-library")):
        raise Skip("the menu without its library")
    rc = open(os.path.join(case, "expected", "rc")).read().strip()
    if rc != "0":
        raise Skip(f"the menu run ended with status {rc}")
    program = "launcher"
    if os.path.exists(os.path.join(case, "program")):
        program = open(os.path.join(case, "program")).read().strip()
    args = classmaker_flags(case) if program == "classmaker" else menu_flags(case, tables)
    expected = {n: d for n, d in snapshot(os.path.join(case, "expected")).items()
                if n not in CONSOLE_FILES}
    # the menu reads a file without sequences as empty, with a warning; batch use stops there
    menu_stdout = open(os.path.join(case, "expected", "stdout"), "rb").read()
    no_sequence = b"Warning: no sequence in" in menu_stdout
    with tempfile.TemporaryDirectory(prefix="tessar-batch-") as work:
        prepare_folder(case, work)
        before = snapshot(work)
        run = subprocess.run([tessar] + args + ["--quiet"], cwd=work,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
        if no_sequence:
            if run.returncode == 1 and b"Err: no sequence in " in run.stderr:
                return None
            return f"tessar {' '.join(args)}: a file without sequences: status {run.returncode}, not 1"
        error = label_error(menu_stdout)
        if error:
            begin, end = error
            said = any(line.startswith(begin) and line.endswith(end) for line in run.stderr.split(b"\n"))
            if run.returncode == 1 and said and snapshot(work) == before:
                return None
            return (f"tessar {' '.join(args)}: labels that do not fit: status {run.returncode}, "
                    f"standard error {run.stderr!r}, not 1 and {begin + b'...' + end!r} with no file written")
        if run.returncode != 0:
            return f"tessar {' '.join(args)}: status {run.returncode}: {run.stderr.decode(errors='replace')}"
        actual = {n: d for n, d in snapshot(work).items() if before.get(n) != d}
        descriptors = args[0] in ("disclass", "ddms")  # their sequence file comes first
        n_training = count_sequences(os.path.join(work, args[1])) if descriptors else 0
        test_file = flag(args, "--test", None)
        n_test = count_sequences(os.path.join(work, test_file)) if test_file else 0
    problems = []
    skipped = D41_SKIPPED.search(menu_stdout)
    if skipped:
        # the menu skipped sequences; tessar grouped them, every sequence a training row
        if b" sequences moved: grouped by class in the order of the class names" not in run.stderr:
            problems.append("no note on the sequences grouped by class")
        arff = flag(args, "--arff", "Context.arff")
        if arff in actual and len(data_rows(actual[arff])) != n_training:
            problems.append(f"{arff}: {len(data_rows(actual[arff]))} rows for {n_training} sequences")
    test_arff = flag(args, "--test-arff", "Test.arff")
    for name in sorted(set(expected) | set(actual)):
        if name not in actual:
            problems.append(f"{name} not written")
        elif name not in expected:
            problems.append(f"{name} written, the menu wrote none")
        elif skipped:
            continue  # the rows of the sequences the menu skipped, checked above
        elif (name == test_arff and descriptors and n_test > n_training
              and actual[name].startswith(expected[name]) and len(data_rows(actual[name])) == n_test):
            continue  # every test row, the menu's first
        elif actual[name] != expected[name]:
            problems.append(f"{name} differs ({len(expected[name])} bytes expected, {len(actual[name])} written)")
    return f"tessar {' '.join(args)}: " + "; ".join(problems) if problems else None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True, help="folder holding tessar")
    ap.add_argument("--cases", default=os.path.join(HERE, "cases"))
    ap.add_argument("only", nargs="*")
    args = ap.parse_args()
    tessar = os.path.join(os.path.abspath(args.bin), "tessar")
    tables = json.loads(subprocess.run([tessar, "questions"], stdout=subprocess.PIPE, check=True).stdout)

    passed = failed = skipped = 0
    for name in sorted(os.listdir(args.cases)):
        case = os.path.join(args.cases, name)
        if (args.only and name not in args.only) or not os.path.isdir(os.path.join(case, "expected")):
            continue
        try:
            problem = run_case(case, tessar, tables)
        except Skip as why:
            skipped += 1
            print(f"skip {name}: {why}")
            continue
        if problem:
            failed += 1
            print(f"FAIL {name}: {problem}")
        else:
            passed += 1
            print(f"ok   {name}")
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Tests of no_outside_paths.py: what it takes for an outside path, what it leaves alone, which
files it reads, with git and without."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.realpath(__file__))
sys.path.insert(0, HERE)
import no_outside_paths as guard  # noqa: E402


# The offending lines are written with '@' for '/', so that this file names no outside path
# itself (the guard reads it too).
def path(text):
    return text.replace("@", "/")


OUTSIDE = [
    "..@shared@data@small.fasta",
    'BENCH=$(cd "$BENCH_ROOT@..@shared" && pwd)',
    "TESSAR_DIR=\"${PROJECT_SOURCE_DIR}@..@shared\"",
    "open('@home@alice@tessar@Sample.txt')",
    "cp \"@work@main@build@bin@launcher\" .",
    "see @root@notes.txt",
    "std::ifstream in(\"@tmp@run1@Context.arff\");",
    "mount at @mnt@data@x and @media@usb@y, @Users@bob@z",
    "cp ~@families@globins.fasta .",
    "DATA=${HOME}@tessar-data and $HOME@x",
]

INSIDE = [
    "#!/usr/bin/python3",
    "#!/usr/bin/env bash",
    "readlink(\"/proc/self/exe\", buf, sizeof buf);",
    "cmake --preset default >/dev/null",
    "jar = \"/usr/share/java/weka.jar\"",
    "char pattern[] = \"/tmp/disclass-test-XXXXXX\";",
    "d=$(mktemp -d /tmp/tessar.XXXXXXXX)",
    "EXPECT_EQ(library_beside(\"/opt/tessar/bin/launcher\"), \"x\");",
    "${PROJECT_SOURCE_DIR}/work/ and $(pwd)/home/ and build/root/x and a~/b",
    "Data: `medium` is tests/data/medium.fasta, shared by the motif and N-gram methods",
    "exec ../build/default/bin/launcher",
]


class Patterns(unittest.TestCase):
    def test_outside_paths_are_found(self):
        for line in OUTSIDE:
            with self.subTest(line=path(line)):
                self.assertTrue(guard.offences(path(line).encode()))

    def test_every_path_of_a_line_is_reported_with_its_line_number(self):
        data = path("ok\nx @mnt@a y @media@b z @Users@c\n").encode()
        self.assertEqual([n for n, _ in guard.offences(data)], [2, 2, 2])

    def test_system_and_relative_paths_are_left_alone(self):
        for line in INSIDE:
            with self.subTest(line=line):
                self.assertEqual(guard.offences(line.encode()), [])

    def test_data_folders_are_not_read(self):
        for name in ["tests/data/small.fasta", "tests/data/matrices/PAM30", "samples/Sample.txt",
                     "tests/e2e/cases/ngrams-defaults/expected/stdout",
                     "tests/e2e/cases/ddms-handmade/input/seq.txt", "doc/disclass-report.png"]:
            self.assertTrue(guard.is_data(name), name)
        for name in ["tests/e2e/cases/ngrams-test-file/files", "tests/e2e/cases/x/stdin",
                     "tests/e2e/run_case.py", "bench/common.sh", "library/ddms/matrices.cpp",
                     "samples.txt", "tests/database/x", "doc/png.md"]:
            self.assertFalse(guard.is_data(name), name)


class WholeTree(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tessar-guard-")

    def tearDown(self):
        shutil.rmtree(self.root)

    def write(self, name, text):
        full = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write(path(text))

    def run_guard(self):
        return subprocess.run([sys.executable, os.path.join(HERE, "no_outside_paths.py"),
                               "--root", self.root], stdout=subprocess.PIPE,
                              universal_newlines=True)

    def test_without_git_every_file_but_data_and_build_trees_is_read(self):
        self.write("scripts/start", "exec ../build/default/bin/launcher\n")
        self.write("tests/data/notes", "made from @home@alice@families\n")
        self.write("tests/e2e/cases/c/expected/stdout", "Err: @work@x cannot be opened\n")
        self.write("mybuild/CMakeCache.txt", "CMAKE_HOME_DIRECTORY=@work@wt\n")
        self.write("mybuild/Makefile", "cd @work@wt\n")
        self.write("build/default/x", "@work@wt\n")
        self.write("tests/e2e/cases/c/actual/stdout", "@work@wt\n")
        self.assertEqual(self.run_guard().returncode, 0)
        self.write("bench/common.sh", "DATA=$ROOT@..@shared@data\n")
        run = self.run_guard()
        self.assertEqual(run.returncode, 1)
        self.assertIn(path("bench/common.sh:1: ..@shared@data"), run.stdout)

    @unittest.skipUnless(shutil.which("git"), "git is missing")
    def test_in_a_git_checkout_the_tracked_files_are_read(self):
        def git(*args):
            subprocess.run(["git", "-C", self.root] + list(args), check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        git("init", "-q")
        self.write("README.md", "scripts/start\n")
        self.write("notes.txt", "@home@alice@x\n")  # not tracked: not read
        git("add", "README.md")
        run = self.run_guard()
        self.assertEqual(run.returncode, 0, run.stdout)
        self.assertIn("git ls-files", run.stdout)
        git("add", "notes.txt")
        run = self.run_guard()
        self.assertEqual(run.returncode, 1)
        self.assertIn(path("notes.txt:1: @home@alice@x"), run.stdout)


if __name__ == "__main__":
    unittest.main()

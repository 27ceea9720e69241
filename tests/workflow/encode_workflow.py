#!/usr/bin/env python3
"""The encoding workflow (workflows/encode) run by the real `snakemake -j 2` gives, for each input
file, the very table one `tessar encode` of the whole file writes with the workflow's model.

  tessar found     the workflow folder in a copy of the repository's layout, on a
                   configuration of the test's own (never the shipped config.yaml, which users
                   edit), no `tessar` in it: the build of scripts/start (build/run) or of the
                   tests (build/default), the newer when both are there, else the one on PATH
  own inputs       a --configfile's list of inputs replaces the configuration's (a mapping
                   there is refused: Snakemake would merge it with the shipped one)
  sample data      the sample data as the shipped configuration has it: 18 sequences in shards
                   of 5; a second run has nothing to do
  many sequences   a generated file of 3,000 sequences (lines before the first header, CR LF
                   line ends, lower case, '*', blank lines, an empty sequence) and a small one,
                   N-grams in CSV: 5 shards, the CSV header row once
  descriptors      the same file with a DDMS model in sparse ARFF with row ids, 3 shards, read
                   compressed: gzip in two members (as bgzip writes), named without .gz, and zstd;
                   the split decompresses as it cuts
  slurm profile    the shipped SLURM profile loads in this Snakemake and sets the resources
                   of every job, account and partition from the command line (a dry run; the
                   real cluster: slurm_cluster.py)
  profile scripts  its sbatch script turns a job's resources into sbatch options, and its status
                   script reads SLURM's states (a cancelled job's "CANCELLED by <uid>" is failed),
                   against stand-ins for sbatch, sacct and scontrol

Exits 77 (skipped) when snakemake is not installed.
Usage: encode_workflow.py BIN_FOLDER
"""
import gzip
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from steps import Failure, Steps  # noqa: E402  (tests/steps.py)

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
WORKFLOW = os.path.join(ROOT, "workflows", "encode")
PROFILE = os.path.join(WORKFLOW, "profiles", "slurm")
DATA = os.path.join(ROOT, "tests", "data")


def snakemake(args, cwd, env=None):
    run = subprocess.run(["snakemake"] + args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         env=env, timeout=900)
    if run.returncode != 0:
        raise Failure(f"snakemake {' '.join(args)}: status {run.returncode}:\n"
                      f"{run.stdout.decode(errors='replace')[-3000:]}")
    return run.stdout.decode(errors="replace")


def whole_file_table(tessar, fasta, model, fmt, out, extra=()):
    run = subprocess.run([tessar, "encode", fasta, "--model", model, "--format", fmt, "--arff", out, "-q", *extra],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if run.returncode != 0:
        raise Failure(f"tessar encode {fasta}: {run.stderr.decode()[:300]}")
    with open(out, "rb") as f:
        return f.read()


def same(label, path, want):
    with open(path, "rb") as f:
        got = f.read()
    if got != want:
        raise Failure(f"{label}: {path} ({len(got)} bytes) differs from the whole file's table "
                      f"({len(want)} bytes)")


def make_many(path, n):
    """n sequences with the reader's corner cases; lines of 60 residues, some with CR LF."""
    rng = random.Random(8)
    with open(path, "w", newline="") as f:
        f.write("a line before the first header\n")
        for i in range(n):
            end = "\r\n" if i % 7 == 0 else "\n"
            f.write(f">seq{i} some description{end}")
            if i == 1234:
                continue  # an empty sequence
            body = "".join(rng.choice("ACDEFGHIKLMNPQRSTVWY") for _ in range(rng.randint(20, 160)))
            if i % 11 == 0:
                body = body.lower()
            if i % 13 == 0:
                body += "*"
            for k in range(0, len(body), 60):
                f.write(body[k:k + 60] + end)
            if i % 17 == 0:
                f.write("\n")


def compressed_copies(fasta, work):
    """`fasta` gzip-compressed in two members (named without .gz: known by its bytes) and, when
    the zstd program is there, zstd-compressed."""
    with open(fasta, "rb") as f:
        data = f.read()
    half = len(data) // 2
    gzipped = os.path.join(work, "many-gzip.fasta")
    with open(gzipped, "wb") as f:
        f.write(gzip.compress(data[:half]) + gzip.compress(data[half:]))
    copies = [{"gzipped": gzipped}]
    if shutil.which("zstd"):
        zstded = os.path.join(work, "many.fasta.zst")
        subprocess.run(["zstd", "-q", "-f", fasta, "-o", zstded], check=True)
        copies.append({"zstded": zstded})
    return copies


def write_config(path, **entries):
    """A config file; a list value is written one item a line, an item {name: path} as `- name: path`."""
    with open(path, "w") as f:
        for key, value in entries.items():
            if isinstance(value, list):
                f.write(f"{key}:\n")
                for item in value:
                    f.write("".join(f"  - {k}: {v}\n" for k, v in item.items()) if isinstance(item, dict)
                            else f"  - {item}\n")
            else:
                f.write(f"{key}: {value}\n")


def table_names(inputs):
    """(name, path) of each entry of a list of inputs, as the workflow names their tables."""
    return [next(iter(item.items())) if isinstance(item, dict)
            else (os.path.splitext(os.path.basename(item))[0], item) for item in inputs]


class Clone:
    """The workflow folder in a copy of the repository's layout (samples/, build/PRESET/bin), with
    the test's own config.yaml: the shipped settings of the sample data, and no `tessar`. The
    builds' `tessar` and the one on PATH are stand-ins that note their name in a trace file and
    run the real one."""

    def __init__(self, tessar_dir, work):
        self.root = os.path.join(work, "clone")
        self.folder = os.path.join(self.root, "workflows", "encode")
        shutil.copytree(WORKFLOW, self.folder,
                        ignore=shutil.ignore_patterns(".snakemake", "results", "config.yaml"))
        shutil.copytree(os.path.join(ROOT, "samples"), os.path.join(self.root, "samples"))
        write_config(os.path.join(self.folder, "config.yaml"), tessar='""', training="../../samples/Sample.txt",
                     classes="../../samples/Sample.cls", method="ngrams", options='"-n 3"', format="arff",
                     shard_size=5, inputs=["../../samples/Sample.txt"], results="results")
        self.real = os.path.join(tessar_dir, "tessar")
        self.trace = os.path.join(work, "trace")
        self.path_dir = os.path.join(work, "on-path")
        self.stand_in(self.path_dir, "path")
        self.env = dict(os.environ, PATH=self.path_dir + os.pathsep + os.environ.get("PATH", ""))

    def stand_in(self, folder, name):
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "tessar")
        with open(path, "w") as f:
            f.write(f'#!/bin/sh\necho {name} >> "{self.trace}"\nexec "{self.real}" "$@"\n')
        os.chmod(path, 0o755)
        return path

    def build(self, preset, age):
        """build/PRESET/bin/tessar, its time `age` seconds ago."""
        path = self.stand_in(os.path.join(self.root, "build", preset, "bin"), preset)
        when = time.time() - age
        os.utime(path, (when, when))

    def found(self):
        """The tessar a dry run of the workflow takes (the one it asks for its methods)."""
        if os.path.exists(self.trace):
            os.remove(self.trace)
        snakemake(["-n", "-q"], self.folder, self.env)
        with open(self.trace) as f:
            return sorted(set(f.read().split()))


def check_found(clone):
    seen = []
    for builds, want in (((), "path"), ((("default", 60),), "default"), ((("run", 30),), "run"),
                         ((("default", 0),), "default"), ((("run", 0), ("default", 100)), "run")):
        for preset, age in builds:
            clone.build(preset, age)
        got = clone.found()
        if got != [want]:
            raise Failure(f"after building {[b[0] for b in builds] or 'nothing'}: the workflow ran {got}, not "
                          f"[{want!r}]")
        seen.append(want)
    return " then ".join(seen)


def check_own_inputs(clone, work):
    mine = os.path.join(work, "mine.yaml")
    write_config(mine, inputs=[{"mine": "../../samples/Sample.txt"}])
    out = snakemake(["-j", "2", "--configfile", mine], clone.folder, clone.env)
    made = sorted(os.listdir(os.path.join(clone.folder, "results", "shards")))
    if made != ["mine.tsv"] or "results/Sample" in out:
        raise Failure(f"--configfile with its own inputs: shards {made}, the shipped input in the log: "
                      f"{'results/Sample' in out}")
    want = whole_file_table(clone.real, os.path.join(clone.root, "samples", "Sample.txt"),
                            os.path.join(clone.folder, "results", "model", "model.txt"), "arff",
                            os.path.join(work, "whole-mine.arff"))
    same("own inputs", os.path.join(clone.folder, "results", "mine.arff"), want)
    write_config(mine, inputs={"mine": "../../samples/Sample.txt"})
    run = subprocess.run(["snakemake", "-n", "--configfile", mine], cwd=clone.folder, env=clone.env,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if run.returncode == 0 or b"config inputs: a list of sequence files" not in run.stdout:
        raise Failure(f"inputs as a mapping: status {run.returncode}: {run.stdout.decode()[-800:]}")
    return "mine.arff alone"


def check_sample(clone, work):
    snakemake(["-j", "2", "-q"], clone.folder, clone.env)
    want = whole_file_table(clone.real, os.path.join(clone.root, "samples", "Sample.txt"),
                            os.path.join(clone.folder, "results", "model", "model.txt"), "arff",
                            os.path.join(work, "whole-sample.arff"))
    same("sample data", os.path.join(clone.folder, "results", "Sample.arff"), want)
    with open(os.path.join(clone.folder, "results", "shards", "Sample.tsv")) as f:
        n_shards = len(f.read().splitlines()) - 1
    if n_shards != 4:
        raise Failure(f"{n_shards} shards of the 18 sample sequences, not 4")
    again = snakemake(["-j", "2"], clone.folder, clone.env)
    if "Nothing to be done" not in again:
        raise Failure("a second run of a finished workflow runs jobs again:\n" + again[-1000:])
    return f"{n_shards} shards"


def check_run(tessar, work, label, method, options, fmt, ext, shard_size, inputs, ids=False):
    folder = os.path.join(work, label)
    os.makedirs(folder)
    write_config(os.path.join(folder, "config.yaml"), tessar=tessar, training=os.path.join(DATA, "small.fasta"),
                 classes=os.path.join(DATA, "small.cls"), method=method, options=f'"{options}"', format=fmt,
                 shard_size=shard_size, inputs=inputs, results="out", ids="true" if ids else "false")
    snakemake(["-j", "2", "-q", "--snakefile", os.path.join(WORKFLOW, "Snakefile"), "--directory", folder],
              folder)
    model = os.path.join(folder, "out", "model", "model.txt")
    shards = []
    for name, fasta in table_names(inputs):
        want = whole_file_table(tessar, fasta, model, fmt, os.path.join(folder, f"whole-{name}{ext}"),
                                ["--ids"] if ids else [])
        if ids and b"@attribute id string\n" not in want:
            raise Failure(f"{label} {name}: the table has no ids")
        same(f"{label} {name}", os.path.join(folder, "out", name + ext), want)
        with open(os.path.join(folder, "out", "shards", name + ".tsv")) as f:
            shards.append(len(f.read().splitlines()) - 1)
    if fmt == "csv":
        with open(os.path.join(folder, "out", "many.csv")) as f:
            lines = f.read().split("\n")
        if lines.count(lines[0]) != 1 or not lines[0].endswith(",class"):
            raise Failure("the CSV header row is not written once")
    return f"shards {shards}"


def check_slurm_profile(tessar, work):
    folder = os.path.join(work, "ngrams-csv")
    out = snakemake(["-n", "--forcerun", "learn", "--profile", PROFILE, "--snakefile", os.path.join(WORKFLOW, "Snakefile"),
                     "--directory", folder, "--default-resources", "slurm_account=lab", "slurm_partition=short"],
                    folder)
    for piece in ("slurm_account=lab", "slurm_partition=short", "runtime=60", "mem_mb=1000"):
        if piece not in out:
            raise Failure(f"the SLURM profile does not set {piece}:\n{out[-1500:]}")


def stand_in(folder, name, body):
    """A shell script `name` in `folder` standing in for a SLURM command."""
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write("#!/bin/sh\n" + body)
    os.chmod(path, 0o755)


def profile_script(name, args, env):
    run = subprocess.run([os.path.join(PROFILE, name)] + args, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return run.returncode, run.stdout.decode().strip()


def check_slurm_scripts(work):
    """The profile's sbatch and status scripts against stand-ins for sbatch, sacct and scontrol."""
    fake = os.path.join(work, "fake-slurm")
    os.makedirs(fake)
    stand_in(fake, "sbatch", 'echo "$@" > "$SBATCH_ARGS"; [ -z "$SBATCH_FAILS" ] || exit 1; echo "4242;main"\n')
    stand_in(fake, "sacct", 'printf "$SACCT_SAYS"\n')
    stand_in(fake, "scontrol", 'printf "$SCONTROL_SAYS"; printf "$SCONTROL_ERR" >&2; exit ${SCONTROL_STATUS:-0}\n')
    env = dict(os.environ, PATH=fake + os.pathsep + os.environ.get("PATH", ""),
               SBATCH_ARGS=os.path.join(work, "sbatch-args"))
    job = {"rule": "encode", "wildcards": {"name": "many", "shard": "000002"}, "threads": 1,
           "resources": {"slurm_account": "lab", "slurm_partition": "short", "runtime": 60, "mem_mb": 1000,
                         "tmpdir": "<TBD>"}}
    script = os.path.join(work, "snakejob.encode.7.sh")
    for resources, want in ((job["resources"], "--parsable --job-name=encode-many-000002 --output="
                             ".snakemake/slurm_logs/encode/%j.log --account=lab --partition=short --time=60 "
                             "--mem=1000 --cpus-per-task=1 " + script),
                            ({"mem_mb_per_cpu": 500, "cpus_per_task": 2, "slurm_extra": "--qos=low --nice"},
                             "--parsable --job-name=encode-many-000002 --output=.snakemake/slurm_logs/encode/%j.log "
                             "--mem-per-cpu=500 --cpus-per-task=2 --qos=low --nice " + script)):
        with open(script, "w") as f:
            f.write("#!/bin/sh\n# properties = " + json.dumps(dict(job, resources=resources)) + "\nexit 0\n")
        status, out = profile_script("slurm-submit.py", [script], dict(env))
        with open(env["SBATCH_ARGS"]) as f:
            args = f.read().strip()
        if (status, out, args) != (0, "4242", want):
            raise Failure(f"slurm-submit.py: status {status}, printed {out!r}, sbatch {args!r}, not {want!r}")
    status, out = profile_script("slurm-submit.py", [script], dict(env, SBATCH_FAILS="1"))
    if status == 0 or out:
        raise Failure(f"slurm-submit.py with sbatch failing: status {status}, printed {out!r}")
    # (sacct says, scontrol says, scontrol's error and status) -> what Snakemake is told
    cases = [("CANCELLED by 0\n", "", "", 0, "failed"), ("COMPLETED\n", "", "", 0, "success"),
             ("RUNNING\n", "", "", 0, "running"), ("TIMEOUT\n", "", "", 0, "failed"),
             ("OUT_OF_MEMORY\n", "", "", 0, "failed"), ("REQUEUED\nPENDING\n", "", "", 0, "running"),
             ("", "JobId=5 JobName=x JobState=PENDING Reason=None\n", "", 0, "running"),
             ("", "JobId=5 JobState=FAILED Reason=NonZeroExitCode\n", "", 0, "failed"),
             ("", "", "slurm_load_jobs error: Invalid job id specified\n", 1, "failed"),
             ("", "", "slurm_load_jobs error: Unable to contact slurm controller\n", 1, "running")]
    for sacct, scontrol, err, code, want in cases:
        status, out = profile_script("slurm-status.py", ["5"], dict(env, SACCT_SAYS=sacct, SCONTROL_SAYS=scontrol,
                                                                       SCONTROL_ERR=err, SCONTROL_STATUS=str(code)))
        if (status, out) != (0, want):
            raise Failure(f"slurm-status.py with sacct {sacct!r}, scontrol {scontrol or err!r}: status {status}, "
                          f"{out!r}, not {want!r}")
    return f"{len(cases)} states"


def main():
    if not shutil.which("snakemake"):
        print("snakemake is not installed (Debian package snakemake): skipped")
        return 77
    tessar_dir = os.path.abspath(sys.argv[1])
    tessar = os.path.join(tessar_dir, "tessar")
    done = Steps()
    with tempfile.TemporaryDirectory(prefix="tessar-workflow-") as work:
        many = os.path.join(work, "many.fasta")
        make_many(many, 3000)
        small = os.path.join(DATA, "small-test.fasta")
        clone = Clone(tessar_dir, work)
        steps = [
            ("tessar found", check_found, clone),
            ("own inputs", check_own_inputs, clone, work),
            ("sample data", check_sample, clone, work),
            ("many sequences: ngrams, csv", check_run, tessar, work, "ngrams-csv", "ngrams", "-n 2", "csv",
             ".csv", 700, [many, {"small": small}]),
            ("descriptors: ddms, sparse-arff with ids, compressed", check_run, tessar, work, "ddms-sparse", "ddms",
             "--matrix pam70 --alpha 0.3 --beta 0.3", "sparse-arff", ".arff", 1000,
             compressed_copies(many, work), True),
            ("slurm profile", check_slurm_profile, tessar, work),
            ("slurm profile scripts", check_slurm_scripts, work),
        ]
        for label, f, *args in steps:
            done.run(label, f, *args)
    return done.status()


if __name__ == "__main__":
    sys.exit(main())

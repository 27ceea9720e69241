#!/usr/bin/env python3
"""The encoding workflow (workflows/encode) run by the real `snakemake -j 2` gives, for each input
file, the very table one `tessar encode` of the whole file writes with the workflow's model.

  shipped config   the workflow folder as shipped, beside a copy of samples/, run as it is
                   (tessar found on PATH): 18 sequences in shards of 5; a second run has
                   nothing to do
  many sequences   a generated file of 3,000 sequences (lines before the first header, CR LF
                   line ends, lower case, '*', blank lines, an empty sequence) and a small one,
                   N-grams in CSV: 5 shards, the CSV header row once
  descriptors      the same file with a DDMS model in sparse ARFF, 3 shards, read compressed:
                   gzip in two members (as bgzip writes), named without .gz, and zstd; the
                   split decompresses as it cuts
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


def whole_file_table(tessar, fasta, model, fmt, out):
    run = subprocess.run([tessar, "encode", fasta, "--model", model, "--format", fmt, "--arff", out, "-q"],
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
    copies = {"gzipped": os.path.join(work, "many-gzip.fasta")}
    with open(copies["gzipped"], "wb") as f:
        f.write(gzip.compress(data[:half]) + gzip.compress(data[half:]))
    if shutil.which("zstd"):
        copies["zstded"] = os.path.join(work, "many.fasta.zst")
        subprocess.run(["zstd", "-q", "-f", fasta, "-o", copies["zstded"]], check=True)
    return copies


def write_config(path, **entries):
    with open(path, "w") as f:
        for key, value in entries.items():
            if isinstance(value, dict):
                f.write(f"{key}:\n" + "".join(f"  {k}: {v}\n" for k, v in value.items()))
            else:
                f.write(f"{key}: {value}\n")


def check_shipped(tessar_dir, work):
    """The shipped folder and config as they are, beside a copy of samples/."""
    root = os.path.join(work, "clone")
    shutil.copytree(WORKFLOW, os.path.join(root, "workflows", "encode"),
                    ignore=shutil.ignore_patterns(".snakemake", "results"))
    shutil.copytree(os.path.join(ROOT, "samples"), os.path.join(root, "samples"))
    folder = os.path.join(root, "workflows", "encode")
    env = dict(os.environ, PATH=tessar_dir + os.pathsep + os.environ.get("PATH", ""))
    snakemake(["-j", "2", "-q"], folder, env)
    result = os.path.join(folder, "results", "sample.arff")
    want = whole_file_table(os.path.join(tessar_dir, "tessar"), os.path.join(root, "samples", "Sample.txt"),
                            os.path.join(folder, "results", "model", "model.txt"), "arff",
                            os.path.join(work, "whole-sample.arff"))
    same("shipped config", result, want)
    with open(os.path.join(folder, "results", "shards", "sample.tsv")) as f:
        n_shards = len(f.read().splitlines()) - 1
    if n_shards != 4:
        raise Failure(f"{n_shards} shards of the 18 sample sequences, not 4")
    again = snakemake(["-j", "2"], folder, env)
    if "Nothing to be done" not in again:
        raise Failure("a second run of a finished workflow runs jobs again:\n" + again[-1000:])
    return f"{n_shards} shards"


def check_run(tessar, work, label, method, options, fmt, ext, shard_size, inputs):
    folder = os.path.join(work, label)
    os.makedirs(folder)
    write_config(os.path.join(folder, "config.yaml"), tessar=tessar, training=os.path.join(DATA, "small.fasta"),
                 classes=os.path.join(DATA, "small.cls"), method=method, options=f'"{options}"', format=fmt,
                 shard_size=shard_size, inputs=inputs, results="out")
    snakemake(["-j", "2", "-q", "--snakefile", os.path.join(WORKFLOW, "Snakefile"), "--directory", folder],
              folder)
    model = os.path.join(folder, "out", "model", "model.txt")
    shards = []
    for name, fasta in inputs.items():
        want = whole_file_table(tessar, fasta, model, fmt, os.path.join(folder, f"whole-{name}{ext}"))
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
        steps = [
            ("shipped config", check_shipped, tessar_dir, work),
            ("many sequences: ngrams, csv", check_run, tessar, work, "ngrams-csv", "ngrams", "-n 2", "csv",
             ".csv", 700, {"many": many, "small": small}),
            ("descriptors: ddms, sparse-arff, compressed", check_run, tessar, work, "ddms-sparse", "ddms",
             "--matrix pam70 --alpha 0.3 --beta 0.3", "sparse-arff", ".arff", 1000,
             compressed_copies(many, work)),
            ("slurm profile", check_slurm_profile, tessar, work),
            ("slurm profile scripts", check_slurm_scripts, work),
        ]
        for label, f, *args in steps:
            done.run(label, f, *args)
    return done.status()


if __name__ == "__main__":
    sys.exit(main())

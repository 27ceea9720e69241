#!/usr/bin/python3
"""Submits one job of the workflow to SLURM: the profile's `cluster` command. Snakemake calls it
with the job script, whose properties line (JSON) holds the job's rule, wildcards, threads and
resources; prints the SLURM job id Snakemake then follows with slurm-status.py.

The resources take the names of Snakemake's own SLURM executor; one not given leaves its option
out, so that SLURM's default for the user applies:
  slurm_account -> --account      slurm_partition -> --partition    runtime (minutes) -> --time
  mem_mb -> --mem                 mem_mb_per_cpu -> --mem-per-cpu   constraint -> --constraint
  cpus_per_task (else the rule's threads) -> --cpus-per-task        slurm_extra: more options
The job is named RULE-WILDCARDS (encode-NAME-SHARD) and logs to .snakemake/slurm_logs/RULE/JOBID.log.
"""
import json
import os
import shlex
import subprocess
import sys

PROPERTIES = "# properties = "
OPTIONS = (("slurm_account", "--account"), ("slurm_partition", "--partition"), ("runtime", "--time"),
           ("mem_mb_per_cpu", "--mem-per-cpu"), ("constraint", "--constraint"))


def properties(jobscript):
    with open(jobscript) as f:
        for line in f:
            if line.startswith(PROPERTIES):
                return json.loads(line[len(PROPERTIES):])
    sys.exit(f"slurm-submit.py: {jobscript} has no line '{PROPERTIES.strip()} ...'")


def given(value):
    return value is not None and str(value) not in ("", "<TBD>")


def sbatch_options(job):
    resources = job.get("resources") or {}
    rule = job.get("rule") or job.get("groupid") or "group"
    name = "-".join([rule] + [str(v) for v in (job.get("wildcards") or {}).values()])
    logs = os.path.join(".snakemake", "slurm_logs", rule)
    os.makedirs(logs, exist_ok=True)
    options = ["--parsable", f"--job-name={name}", f"--output={logs}/%j.log"]
    options += [f"{flag}={resources[key]}" for key, flag in OPTIONS if given(resources.get(key))]
    if not given(resources.get("mem_mb_per_cpu")) and given(resources.get("mem_mb")):
        options.append(f"--mem={resources['mem_mb']}")
    cpus = resources.get("cpus_per_task") if given(resources.get("cpus_per_task")) else job.get("threads", 1)
    options.append(f"--cpus-per-task={cpus}")
    if given(resources.get("slurm_extra")):
        options += shlex.split(str(resources["slurm_extra"]))
    return options


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: slurm-submit.py JOBSCRIPT (Snakemake's --cluster command)")
    jobscript = sys.argv[1]
    run = subprocess.run(["sbatch"] + sbatch_options(properties(jobscript)) + [jobscript],
                         stdout=subprocess.PIPE, text=True)
    if run.returncode != 0:
        return run.returncode  # sbatch said why on standard error
    print(run.stdout.strip().split(";")[0])  # --parsable: "JOBID" or "JOBID;CLUSTER"
    return 0


if __name__ == "__main__":
    sys.exit(main())

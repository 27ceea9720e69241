#!/usr/bin/python3
"""Tells Snakemake how a SLURM job stands, `running`, `success` or `failed`: the profile's
`cluster-status` command, called with the job id slurm-submit.py printed.

The state comes from the accounting (sacct), or from the controller (scontrol) while the
accounting does not know the job yet; a state counts by its first word ("CANCELLED by 1234" is
CANCELLED). COMPLETED is success, a state of a job still queued or running is running, every
other one (FAILED, CANCELLED, TIMEOUT, OUT_OF_MEMORY, NODE_FAIL, ...) is failed. When neither
answers, the job is running for now (asked again at the next check); a job neither of them
knows is failed.
"""
import re
import subprocess
import sys

RUNNING = {"PENDING", "CONFIGURING", "RUNNING", "COMPLETING", "SUSPENDED", "REQUEUED", "REQUEUE_FED",
           "REQUEUE_HOLD", "RESIZING", "SIGNALING", "STAGE_OUT", "RESV_DEL_HOLD", "POWER_UP_NODE"}


def ask(args):
    """(status, standard output, standard error) of a SLURM command, status None when it did not
    answer in time."""
    try:
        run = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=60)
    except subprocess.TimeoutExpired:
        return None, "", ""
    return run.returncode, run.stdout, run.stderr


def state(jobid):
    """The job's state, "" when SLURM does not know the job, None when SLURM did not answer."""
    status, out, _ = ask(["sacct", "-X", "-n", "-P", "-j", jobid, "-o", "State"])
    lines = [line.split()[0] for line in out.splitlines() if line.strip()]
    if status == 0 and lines:
        return lines[-1]
    status, out, err = ask(["scontrol", "-o", "show", "job", jobid])
    found = re.search(r"\bJobState=(\S+)", out)
    if status == 0 and found:
        return found.group(1)
    if status is not None and "Invalid job id" in err:
        return ""
    return None


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: slurm-status.py JOBID (Snakemake's --cluster-status command)")
    now = state(sys.argv[1])
    if now is None or now in RUNNING:
        print("running")
    elif now == "COMPLETED":
        print("success")
    else:
        print(f"slurm-status.py: job {sys.argv[1]} is {now or 'unknown to SLURM'}", file=sys.stderr)
        print("failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The encoding workflow through the shipped SLURM profile (workflows/encode/profiles/slurm) on a
real single-node SLURM cluster with accounting, started here for the test and stopped at its end.

  cluster          munged, MariaDB, slurmdbd, slurmctld and slurmd on this host with its cores
                   and memory (`slurmd -C`); a cluster, an account and a partition (not the
                   default one) created; every file of it in one temporary folder, the daemons
                   on loopback ports of their own
  undisturbed      generated sequences in 4 shards, account and partition on the command line
                   as a user gives them: every job goes through sbatch and the joined table is
                   byte for byte one `tessar encode` of the whole file
  cancelled shard  an encode job cancelled (scancel) while it runs: the workflow fails naming
                   the job; the same command again redoes that shard alone and gives the
                   undisturbed bytes
  failed shard     the input unreadable once split: the encode jobs fail, the run fails with no
                   joined table and no shard table left; readable again, the same command gives
                   the undisturbed bytes
  stopped          every daemon stopped by its process id (also when a step failed), and no
                   process of the cluster left

Root ignores file modes, and jobs here run as root: slurmd starts without the capabilities that
bypass them (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH), so that its jobs meet an unreadable file as
any user's job does.

Exits 77 (skipped) when not run as root or when a program of the cluster is missing
(scripts/setup installs them).
Usage: slurm_cluster.py BIN_FOLDER
"""
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from steps import Failure, Steps  # noqa: E402  (tests/steps.py)
from encode_workflow import DATA, PROFILE, WORKFLOW, make_many, whole_file_table, write_config  # noqa: E402

SNAKEFILE = os.path.join(WORKFLOW, "Snakefile")
CLUSTER = "tessar"
ACCOUNT = "encoders"
PARTITION = "shards"
SHARDS = 4
# Debian packages: munge, mariadb-server, slurmdbd, slurm-wlm (slurmctld, slurmd, the clients)
PROGRAMS = ("munged", "mariadb-install-db", "mariadbd", "mariadb", "slurmdbd", "slurmctld", "slurmd",
            "sbatch", "srun", "squeue", "scancel", "sacct", "sacctmgr", "sinfo", "scontrol", "setpriv",
            "snakemake")


def find_programs():
    """name -> path of every program the cluster needs (the daemons live in sbin); None when one
    is missing."""
    path = os.environ.get("PATH", "") + os.pathsep + "/usr/sbin" + os.pathsep + "/sbin"
    found = {name: shutil.which(name, path=path) for name in PROGRAMS}
    missing = [name for name, where in found.items() if not where]
    return found, missing


def free_ports(n):
    """n loopback ports nobody listens on now (the daemons bind them a moment later)."""
    holders = []
    for _ in range(n):
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        holders.append(s)
    ports = [s.getsockname()[1] for s in holders]
    for s in holders:
        s.close()
    return ports


def write_file(path, text, mode=0o644):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, mode)
    with os.fdopen(fd, "w") as f:
        f.write(text)


def tail(path, n=15):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-n:])
    except OSError:
        return "(no log)\n"


class Cluster:
    """The daemons of a one-node cluster, all their files in `work`/cluster. start() brings them
    up one after the other; stop() ends, by process id, every one that was started, and any
    process the cluster left working in `work` (the test's folder)."""

    def __init__(self, work, programs):
        self.work = work
        self.root = os.path.join(work, "cluster")
        self.bin = programs
        self.daemons = []  # (name, Popen, log file), in start order
        self.host = socket.gethostname().split(".")[0]
        self.munge_socket = os.path.join(self.root, "munge", "munge.socket")
        self.db_socket = os.path.join(self.root, "db", "mariadb.sock")
        self.conf = os.path.join(self.root, "slurm", "slurm.conf")
        self.env = dict(os.environ, SLURM_CONF=self.conf)
        # Snakemake's SLURM executor asks sacctmgr about $USER; a login shell sets it
        self.env.setdefault("USER", "root")

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def run(self, args, timeout=60, check=True):
        proc = subprocess.run(args, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=timeout)
        out = proc.stdout.decode(errors="replace")
        if check and proc.returncode != 0:
            raise Failure(f"{' '.join(args)}: status {proc.returncode}: {out[-800:]}")
        return out

    def spawn(self, name, args, log):
        """Starts a daemon in the foreground of its own session; its output goes to `log`."""
        with open(log, "ab") as out:
            proc = subprocess.Popen(args, env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, start_new_session=True)
        self.daemons.append((name, proc, log))
        return proc

    def wait_until(self, what, ready, seconds=30):
        """Polls ready() until it is true; fails naming `what` and its daemon's log."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            for name, proc, log in self.daemons:
                if proc.poll() is not None:
                    raise Failure(f"{name} ended with status {proc.returncode} while waiting for "
                                  f"{what}:\n{tail(log)}")
            if ready():
                return
            time.sleep(0.2)
        name, _, log = self.daemons[-1]
        raise Failure(f"{what}: not ready after {seconds} s; {name}'s log:\n{tail(log)}")

    def succeeds(self, args):
        return subprocess.run(args, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=30).returncode == 0

    def start(self):
        for sub in ("munge", "db", "db/tmp", "slurm", "slurm/state", "slurm/spool"):
            os.makedirs(self.path(sub), exist_ok=True)
        # munged wants every folder above its socket searchable by all
        os.chmod(self.work, 0o755)
        os.chmod(self.root, 0o755)
        db_port, dbd_port, ctld_port, slurmd_port = free_ports(4)
        self.start_munge()
        self.start_mariadb(db_port)
        self.write_slurm_conf(dbd_port, ctld_port, slurmd_port)
        self.start_slurmdbd(db_port, dbd_port)
        self.run([self.bin["sacctmgr"], "-i", "add", "cluster", CLUSTER])
        self.run([self.bin["sacctmgr"], "-i", "add", "account", ACCOUNT, f"cluster={CLUSTER}",
                  "description=tessar tests", "organization=tessar"])
        self.run([self.bin["sacctmgr"], "-i", "add", "user", self.env["USER"], f"account={ACCOUNT}",
                  f"cluster={CLUSTER}"])
        self.start_slurmctld()
        self.start_slurmd()
        return f"{self.node_line().split()[1]} on {self.host}"

    def start_munge(self):
        key = self.path("munge", "munge.key")
        write_file(key, os.urandom(1024).hex(), 0o600)
        self.spawn("munged", [self.bin["munged"], "--foreground", "--socket", self.munge_socket,
                              "--key-file", key, "--pid-file", self.path("munge", "munged.pid"),
                              "--seed-file", self.path("munge", "munged.seed"),
                              "--log-file", self.path("munge", "munged.log")],
                   self.path("munge", "munged.out"))
        self.wait_until("munged", lambda: os.path.exists(self.munge_socket))

    def start_mariadb(self, port):
        data = self.path("db", "data")
        common = ["--no-defaults", f"--datadir={data}", "--user=root", "--innodb-log-file-size=8M"]
        self.run([self.bin["mariadb-install-db"]] + common + ["--skip-test-db",
                 "--auth-root-authentication-method=socket"], timeout=120)
        self.spawn("mariadbd", [self.bin["mariadbd"]] + common + [
                   f"--socket={self.db_socket}", f"--pid-file={self.path('db', 'mariadbd.pid')}",
                   f"--port={port}", "--bind-address=127.0.0.1", "--skip-name-resolve",
                   f"--tmpdir={self.path('db', 'tmp')}", "--innodb-buffer-pool-size=32M",
                   f"--log-error={self.path('db', 'error.log')}"], self.path("db", "mariadbd.out"))
        client = [self.bin["mariadb"], "--no-defaults", f"--socket={self.db_socket}", "-u", "root"]
        self.wait_until("MariaDB", lambda: self.succeeds(client + ["-e", "select 1"]))
        # slurmdbd reaches the database by TCP: its library would take the system's socket
        self.run(client + ["-e", "create user 'slurm'@'127.0.0.1' identified by 'tessar-tests'; "
                           "grant all on slurm_acct_db.* to 'slurm'@'127.0.0.1';"])

    def node_line(self):
        out = self.run([self.bin["slurmd"], "-C"])
        line = out.splitlines()[0]
        if not line.startswith("NodeName="):
            raise Failure(f"slurmd -C: {out}")
        return line

    def write_slurm_conf(self, dbd_port, ctld_port, slurmd_port):
        auth = f"AuthType=auth/munge\nAuthInfo=socket={self.munge_socket}\n"
        node = re.sub(r"^NodeName=\S+", f"NodeName={self.host} NodeAddr=127.0.0.1", self.node_line())
        s = self.path("slurm")
        write_file(self.conf, f"""ClusterName={CLUSTER}
SlurmctldHost={self.host}(127.0.0.1)
SlurmctldPort={ctld_port}
SlurmdPort={slurmd_port}
SlurmUser=root
SlurmdUser=root
{auth}CredType=cred/munge
StateSaveLocation={s}/state
SlurmdSpoolDir={s}/spool
SlurmctldPidFile={s}/slurmctld.pid
SlurmdPidFile={s}/slurmd.pid
SlurmctldLogFile={s}/slurmctld.log
SlurmdLogFile={s}/slurmd.log
PlugStackConfig={s}/plugstack.conf
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
MpiDefault=none
SwitchType=switch/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/backfill
ReturnToService=2
KillWait=5
AccountingStorageType=accounting_storage/slurmdbd
AccountingStorageHost=127.0.0.1
AccountingStoragePort={dbd_port}
AccountingStorageEnforce=associations
AccountingStoragePass={self.munge_socket}
JobCompType=jobcomp/none
{node} State=UNKNOWN
PartitionName={PARTITION} Nodes={self.host} Default=NO MaxTime=INFINITE State=UP
""")
        write_file(os.path.join(s, "plugstack.conf"), "")
        self.dbd_conf = (f"{auth}DbdHost={self.host}\nDbdAddr=127.0.0.1\nDbdPort={dbd_port}\n"
                         f"SlurmUser=root\nLogFile={s}/slurmdbd.log\nPidFile={s}/slurmdbd.pid\n")

    def start_slurmdbd(self, db_port, dbd_port):
        write_file(self.path("slurm", "slurmdbd.conf"), self.dbd_conf +
                   f"StorageType=accounting_storage/mysql\nStorageHost=127.0.0.1\nStoragePort={db_port}\n"
                   "StorageUser=slurm\nStoragePass=tessar-tests\nStorageLoc=slurm_acct_db\n", 0o600)
        self.spawn("slurmdbd", [self.bin["slurmdbd"], "-D"], self.path("slurm", "slurmdbd.out"))
        self.wait_until("slurmdbd", lambda: self.succeeds([self.bin["sacctmgr"], "-n", "list", "cluster"]))

    def start_slurmctld(self):
        self.spawn("slurmctld", [self.bin["slurmctld"], "-D", "-i"], self.path("slurm", "slurmctld.out"))
        self.wait_until("slurmctld", lambda: self.succeeds([self.bin["scontrol"], "ping"]))

    def start_slurmd(self):
        # without the capabilities that let root read and write any file (see above)
        self.spawn("slurmd", [self.bin["setpriv"], "--bounding-set=-dac_override,-dac_read_search",
                              self.bin["slurmd"], "-D"], self.path("slurm", "slurmd.out"))

        def idle():
            state = subprocess.run([self.bin["sinfo"], "-h", "-n", self.host, "-o", "%T"], env=self.env,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.decode().strip()
            return state == "idle"
        self.wait_until("the node idle", idle)

    def jobs(self):
        """id -> (name, state, seconds it has run) of the jobs in the queue."""
        out = self.run([self.bin["squeue"], "-h", "-o", "%i|%j|%T|%M"], check=False)
        jobs = {}
        for line in out.splitlines():
            parts = line.split("|")
            if len(parts) == 4:
                clock = [int(x) for x in re.split(r"[-:]", parts[3]) if x.isdigit()]
                jobs[parts[0]] = (parts[1], parts[2], sum(v * 60 ** k for k, v in enumerate(reversed(clock))))
        return jobs

    def stop(self):
        """Cancels what is queued, then stops every daemon it started by process id, the last
        started first; returns what needed more than SIGTERM."""
        notes = []
        if any(name == "slurmctld" and proc.poll() is None for name, proc, _ in self.daemons):
            try:
                self.run([self.bin["scancel"], "-u", self.env["USER"]], check=False, timeout=20)
                end = time.monotonic() + 20
                while self.jobs() and time.monotonic() < end:
                    time.sleep(0.5)
            except (subprocess.TimeoutExpired, Failure) as e:
                notes.append(f"cancelling the queue: {e}")
        for name, proc, _ in reversed(self.daemons):
            if proc.poll() is not None:
                continue
            os.kill(proc.pid, signal.SIGTERM)
            try:
                proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                os.kill(proc.pid, signal.SIGKILL)
                proc.wait()
                notes.append(f"{name} ({proc.pid}) killed")
        notes += stop_leftovers(self.work)
        return notes


def stop_leftovers(root):
    """Kills, by process id, any process still working in `root` or naming it (a job the cluster
    left running); returns what it found."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            cwd = os.readlink(f"/proc/{entry}/cwd")
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                cmdline = f.read().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        if cwd == root or cwd.startswith(root + os.sep) or root in cmdline:
            found.append(f"{entry} {cmdline[:120]}")
            try:
                os.kill(int(entry), signal.SIGKILL)
            except OSError:
                pass
    return found


# ---- the workflow on the cluster ----

def prepare(work, tessar, fasta, label):
    """A working folder whose config encodes `fasta` (a copy of it) in SHARDS shards."""
    folder = os.path.join(work, label)
    os.makedirs(folder)
    copy = os.path.join(folder, "many.fasta")
    shutil.copyfile(fasta, copy)
    with open(copy, "rb") as f:
        count = sum(1 for line in f if line.startswith(b">"))
    write_config(os.path.join(folder, "config.yaml"), tessar=tessar,
                 training=os.path.join(DATA, "small.fasta"), classes=os.path.join(DATA, "small.cls"),
                 method="ngrams", options='"-n 2"', format="csv", shard_size=-(-count // SHARDS),
                 inputs=[copy], results="out")
    return folder


def command(folder, targets=()):
    """The command a user types: the shipped profile, account and partition on the command line."""
    return (["snakemake"] + list(targets) + ["--profile", PROFILE, "--snakefile", SNAKEFILE, "--directory", folder,
             "--default-resources", f"slurm_account={ACCOUNT}", f"slurm_partition={PARTITION}"])


def workflow_env(cluster):
    # Snakemake looks at cluster jobs every 10 s, every second where CI=true (as in CI)
    return dict(cluster.env, CI="true")


def snakemake(cluster, folder, targets=(), fails=False):
    proc = subprocess.run(command(folder, targets), cwd=folder, env=workflow_env(cluster),
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=240)
    out = proc.stdout.decode(errors="replace")
    if (proc.returncode != 0) != fails:
        raise Failure(f"snakemake in {os.path.basename(folder)}: status {proc.returncode}:\n{out[-3000:]}")
    return out


def submissions(out):
    """rule -> SLURM job ids, from Snakemake's report of each job and its submission."""
    rules, rule = {}, None
    for line in out.splitlines():
        job = re.match(r"(?:rule|checkpoint|localrule) (\w+):$", line)
        if job:
            rule = job.group(1)
        submitted = re.match(r"Submitted job \d+ with external jobid '(\d+)'", line)
        if submitted and rule:
            rules.setdefault(rule, []).append(submitted.group(1))
    return rules


def counts(jobs):
    return {rule: len(ids) for rule, ids in jobs.items()}


def failures(out):
    """SLURM job id -> the output Snakemake names for each job it reports failed."""
    found = {}
    for block in out.split("Error in rule ")[1:]:
        jobid = re.search(r"cluster_jobid: (\d+)", block)
        output = re.search(r"output: (\S+)", block)
        if jobid and output:
            found[jobid.group(1)] = block.split(":")[0] + " " + output.group(1)
    return found


def read(path):
    with open(path, "rb") as f:
        return f.read()


def check_undisturbed(cluster, work, tessar, fasta, state):
    folder = prepare(work, tessar, fasta, "undisturbed")
    out = snakemake(cluster, folder)
    jobs = submissions(out)
    if counts(jobs) != {"split": 1, "learn": 1, "encode": SHARDS, "join": 1}:
        raise Failure(f"jobs through sbatch: {counts(jobs)}, not split, learn, {SHARDS} encode and join:\n"
                      f"{out[-2000:]}")
    # slurmctld hands a finished job to the accounting daemon a moment later: the last job's
    # record may still be on its way when snakemake ends
    end = time.monotonic() + 60
    while True:
        accounting = cluster.run([cluster.bin["sacct"], "-X", "-n", "-P", "-o", "JobID,Account,Partition,State"])
        missing = [j for j in sum(jobs.values(), []) if f"{j}|{ACCOUNT}|{PARTITION}|COMPLETED" not in accounting]
        if not missing:
            break
        if time.monotonic() > end:
            raise Failure(f"job {missing[0]} not recorded as completed in {ACCOUNT} on {PARTITION}:\n{accounting}")
        time.sleep(0.5)
    want = whole_file_table(tessar, os.path.join(folder, "many.fasta"),
                            os.path.join(folder, "out", "model", "model.txt"), "csv", os.path.join(folder, "whole.csv"))
    got = read(os.path.join(folder, "out", "many.csv"))
    if got != want:
        raise Failure(f"the joined table ({len(got)} bytes) differs from one tessar encode ({len(want)} bytes)")
    state["table"] = got
    return f"{sum(counts(jobs).values())} jobs, {len(got)} bytes"


def same_as_undisturbed(label, path, state):
    if "table" not in state:
        raise Failure("no undisturbed table to compare with")
    got = read(path)
    if got != state["table"]:
        raise Failure(f"{label}: {len(got)} bytes, not the undisturbed run's {len(state['table'])}")


def cancel_a_running_shard(cluster, master):
    """Waits for an encode job to run and cancels the one that started last (the farthest from
    its end); returns its id (None if none ran)."""
    end = time.monotonic() + 120
    while master.poll() is None and time.monotonic() < end:
        running = sorted((ran, j) for j, (name, st, ran) in cluster.jobs().items()
                         if name.startswith("encode-") and st == "RUNNING")
        if running:
            cluster.run([cluster.bin["scancel"], running[0][1]])
            return running[0][1]
        time.sleep(0.1)
    return None


def run_and_cancel_a_shard(cluster, folder):
    """Runs the workflow and cancels an encode job while it runs; returns the job, its recorded
    state and the workflow's output and status."""
    master = subprocess.Popen(command(folder), cwd=folder, env=workflow_env(cluster), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        victim = cancel_a_running_shard(cluster, master)
        out = master.communicate(timeout=240)[0].decode(errors="replace")
    finally:
        if master.poll() is None:
            master.kill()
            master.communicate()
    recorded = ""
    if victim is not None:
        recorded = cluster.run([cluster.bin["sacct"], "-X", "-n", "-P", "-j", victim, "-o", "State"]).strip()
    return victim, recorded, out, master.returncode


def check_cancelled(cluster, work, tessar, fasta, state):
    # a shard job lasts a second or so: the one seen running may end before scancel reaches it;
    # then the scene is set again in a fresh folder (a few times at most)
    for attempt in range(3):
        folder = prepare(work, tessar, fasta, f"cancelled-{attempt}")
        victim, recorded, out, status = run_and_cancel_a_shard(cluster, folder)
        if victim is not None and recorded.startswith("CANCELLED"):
            break
    if victim is None:
        raise Failure(f"no encode job seen running:\n{out[-2000:]}")
    if status == 0:
        raise Failure(f"the run ended well though job {victim} was cancelled:\n{out[-2000:]}")
    if not recorded.startswith("CANCELLED"):
        raise Failure(f"job {victim} is {recorded!r} in the accounting, not cancelled (it ended first, 3 times)")
    failed = failures(out)
    if list(failed) != [victim] or f"job {victim} is CANCELLED" not in out:
        raise Failure(f"the failure names {failed}, not job {victim} alone:\n{out[-3000:]}")
    shard = failed[victim].split()[1]
    if os.path.exists(os.path.join(folder, shard)) or os.path.exists(os.path.join(folder, "out", "many.csv")):
        raise Failure(f"the cancelled shard's table {shard} or a joined table is left")
    again = snakemake(cluster, folder)
    redone = submissions(again)
    if counts(redone) != {"encode": 1, "join": 1} or f"output: {shard}" not in again:
        raise Failure(f"the second run did {counts(redone)}, not the cancelled shard {shard} and the join:\n"
                      f"{again[-2000:]}")
    same_as_undisturbed("after a cancelled shard", os.path.join(folder, "out", "many.csv"), state)
    return f"job {victim} ({shard}) cancelled: the run failed naming it; the same command redid it alone"


def check_failed(cluster, work, tessar, fasta, state):
    folder = prepare(work, tessar, fasta, "failed")
    snakemake(cluster, folder, ["out/model/model.txt", "out/shards/many.tsv"])
    data = os.path.join(folder, "many.fasta")
    os.chmod(data, 0)
    try:
        out = snakemake(cluster, folder, fails=True)
    finally:
        os.chmod(data, 0o644)
    failed = failures(out)
    if not failed or any(not what.startswith("encode ") or f"job {jobid} is FAILED" not in out
                         for jobid, what in failed.items()):
        raise Failure(f"no failed encode job reported, or another one: {failed}:\n{out[-3000:]}")
    logs = os.path.join(folder, ".snakemake", "slurm_logs", "encode")
    for jobid in failed:
        if "Permission denied" not in read(os.path.join(logs, f"{jobid}.log")).decode(errors="replace"):
            raise Failure(f"job {jobid} did not fail on the unreadable input:\n{tail(os.path.join(logs, jobid + '.log'))}")
    shards = os.path.join(folder, "out", "encoded", "many")
    left = sorted(os.listdir(shards)) if os.path.isdir(shards) else []
    if os.path.exists(os.path.join(folder, "out", "many.csv")) or any(not f.endswith(".part") for f in left):
        raise Failure(f"tables left after failed shards: joined "
                      f"{os.path.exists(os.path.join(folder, 'out', 'many.csv'))}, shards {left}")
    snakemake(cluster, folder)
    same_as_undisturbed("after failed shards", os.path.join(folder, "out", "many.csv"), state)
    return f"{len(failed)} encode jobs failed, no table left; readable again, the same command: the same bytes"


def check_stopped(cluster):
    notes = cluster.stop()
    alive = [f"{name} ({proc.pid})" for name, proc, _ in cluster.daemons if proc.poll() is None]
    if alive or notes:
        raise Failure("; ".join(alive + notes))
    return f"{len(cluster.daemons)} daemons"


def main():
    if os.geteuid() != 0:
        print("not run as root: the SLURM daemons and MariaDB of this test need root: skipped")
        return 77
    programs, missing = find_programs()
    if missing:
        print(f"missing {', '.join(missing)} (Debian packages munge, mariadb-server, slurmdbd, slurm-wlm, "
              f"snakemake; scripts/setup installs them): skipped")
        return 77
    # a TERM from the test driver ends the run through the finally below
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    tessar = os.path.join(os.path.abspath(sys.argv[1]), "tessar")
    done = Steps()
    started = time.monotonic()
    work = tempfile.mkdtemp(prefix="tessar-slurm-")
    cluster = None
    try:
        cluster = Cluster(work, programs)
        fasta = os.path.join(work, "many.fasta")
        make_many(fasta, 2000)
        state = {}
        if done.run("cluster", cluster.start) is not None:
            for label, check in (("undisturbed", check_undisturbed), ("cancelled shard", check_cancelled),
                                 ("failed shard", check_failed)):
                t = time.monotonic()
                done.run(label, check, cluster, work, tessar, fasta, state)
                print(f"     {time.monotonic() - t:.0f} s")
        else:
            for name, _, log in cluster.daemons:
                print(f"--- {name}:\n{tail(log)}")
    finally:
        if cluster is not None:
            done.run("stopped", check_stopped, cluster)
        print(f"     {time.monotonic() - started:.0f} s in all")
        shutil.rmtree(work, ignore_errors=True)
    return done.status()


if __name__ == "__main__":
    sys.exit(main())

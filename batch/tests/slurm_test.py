#!/usr/bin/env python3
"""A batch run as an array job of three tasks by a one-node Slurm started for the test.

usage: slurm_test.py MAILSHIFT_CLI MAILSHIFT_STORE WORK_FOLDER

munged gets a throw-away key and slurmctld and slurmd a configuration written into the work
folder (their own ports, state, spool and sockets); they are stopped by their own process ids at
the end. The array job runs the script of docs/batch.md with --shard-from-env; the parts' reports
merged by batch-report must give each mailbox's true figures, each mailbox once, the same as one
batch of the whole list. When Slurm cannot be started here the test says why and is skipped (exit
77); the GNU parallel route is tested by batch_test.py either way.
"""
import os
import shutil
import signal
import socket
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from batch_support import Failures, check_report, comparable, make_mailboxes, read_report, write_list  # noqa: E402

SKIP = 77
ROOT = Path(__file__).resolve().parents[2]


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def skip(reason, *logs):
    print(f"SKIPPED: a one-node Slurm cannot be started here: {reason}")
    for log in logs:
        if Path(log).exists():
            print(f"--- last lines of {log}:")
            print("\n".join(Path(log).read_text(errors="replace").splitlines()[-15:]))
    return SKIP


class Daemons:
    def __init__(self):
        self.processes = []

    def start(self, name, arguments, env, log):
        process = subprocess.Popen(arguments, env=env, stdout=open(log, "ab"), stderr=subprocess.STDOUT)
        self.processes.append((name, process))
        return process

    def stop(self):
        for name, process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=15)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()


def configuration(folder, host, cpus):
    return f"""ClusterName=mailshift
SlurmctldHost={host}
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket={folder}/munge.socket
CredType=cred/munge
SlurmctldPort={free_port()}
SlurmdPort={free_port()}
StateSaveLocation={folder}/state
SlurmdSpoolDir={folder}/spool
SlurmctldPidFile={folder}/slurmctld.pid
SlurmdPidFile={folder}/slurmd.pid
SlurmctldLogFile={folder}/slurmctld.log
SlurmdLogFile={folder}/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
ReturnToService=2
NodeName={host} CPUs={cpus} State=UNKNOWN
PartitionName=batch Nodes={host} Default=YES MaxTime=INFINITE State=UP
"""


def main():
    cli, store, work = str(Path(sys.argv[1]).resolve()), sys.argv[2], Path(sys.argv[3]).resolve()
    missing = [tool for tool in ("munged", "slurmctld", "slurmd", "sbatch", "sinfo") if not shutil.which(tool)
               and not Path("/usr/sbin", tool).exists()]
    if missing:
        return skip("not installed: " + ", ".join(missing) + " (scripts/deps installs slurm-wlm and munge)")
    if os.geteuid() != 0:
        return skip("slurmd runs jobs as their users and must be started as root")
    shutil.rmtree(work, ignore_errors=True)
    slurm = work / "slurm"
    for sub in ("state", "spool"):
        (slurm / sub).mkdir(parents=True)
    os.chmod(work, 0o755)
    os.chmod(slurm, 0o700)
    key = slurm / "munge.key"
    key.write_bytes(os.urandom(1024))
    os.chmod(key, 0o400)
    host = socket.gethostname().split(".")[0]
    (slurm / "slurm.conf").write_text(configuration(slurm, host, os.cpu_count() or 1))
    env = dict(os.environ, SLURM_CONF=str(slurm / "slurm.conf"))
    daemons = Daemons()
    try:
        munged = shutil.which("munged") or "/usr/sbin/munged"
        daemons.start("munged", [munged, "--foreground", "--force", f"--key-file={key}",
                                 f"--socket={slurm}/munge.socket", f"--pid-file={slurm}/munged.pid",
                                 f"--seed-file={slurm}/munge.seed", f"--log-file={slurm}/munged.log"],
                      env, slurm / "munged.out")
        for _ in range(50):
            if (slurm / "munge.socket").exists():
                break
            time.sleep(0.1)
        else:
            return skip("munged did not start", slurm / "munged.out", slurm / "munged.log")
        daemons.start("slurmctld", [shutil.which("slurmctld") or "/usr/sbin/slurmctld", "-D", "-i"], env,
                      slurm / "slurmctld.out")
        daemons.start("slurmd", [shutil.which("slurmd") or "/usr/sbin/slurmd", "-D", "-N", host], env,
                      slurm / "slurmd.out")
        state = ""
        for _ in range(100):
            probe = subprocess.run(["sinfo", "-h", "-o", "%T"], env=env, capture_output=True, text=True)
            state = probe.stdout.strip()
            if state == "idle":
                break
            if any(process.poll() is not None for _, process in daemons.processes):
                break
            time.sleep(0.2)
        if state != "idle":
            return skip(f"the node is not idle ({state or 'no answer'})", slurm / "slurmctld.out",
                        slurm / "slurmd.out", slurm / "slurmctld.log", slurm / "slurmd.log")

        failures = Failures()
        databases = make_mailboxes(store, work / "mail", count=9, documents=20)
        write_list(work / "list.csv", databases, work / "out")
        whole = subprocess.run([cli, "batch", str(work / "list.csv"), "--workers", "2", "--report",
                                str(work / "whole-report")], capture_output=True, text=True, timeout=300)
        del whole
        write_list(work / "array.csv", databases, work / "array-out")
        job = subprocess.run(
            ["sbatch", "--wait", "--array=0-2", f"--output={work}/task-%a.out", "--chdir", str(work),
             str(ROOT / "docs" / "batch-array-job.sh"), str(work / "array.csv"), str(work / "array-report")],
            env=dict(env, MAILSHIFT_CLI=cli), capture_output=True, text=True, timeout=400)
        # The job ends as its worst task: the parts with a broken mailbox end with 1.
        failures.check("Submitted batch job" in job.stdout, f"sbatch: {job.stdout} {job.stderr}")
        for task in range(3):
            output = (work / f"task-{task}.out")
            text = output.read_text(errors="replace") if output.exists() else ""
            failures.check(f"Batch part {task + 1} of 3" in text, f"task {task} said: {text[-500:]}")
        merge = subprocess.run([cli, "batch-report", str(work / "array-report")], capture_output=True, text=True)
        failures.check(merge.returncode == 0, f"batch-report: {merge.stderr}")
        merged = read_report(work / "array-report")
        check_report(merged, databases, failures, "Slurm array job")
        failures.check(comparable(merged) == comparable(read_report(work / "whole-report")),
                       "the array job's merged report differs from one batch of the whole list")
        return failures.finish("slurm_test")
    finally:
        daemons.stop()


if __name__ == "__main__":
    sys.exit(main())

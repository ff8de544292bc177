#!/usr/bin/env python3
"""Mailboxes per minute and messages per second of a batch with 1, 2 and 4 workers.

usage: bench/batch_bench.py BUILD_FOLDER [--mailboxes 24] [--documents 300] [--workers 1,2,4]

Generates the mailboxes once with the store tool (each a sample of about `--documents` messages),
then runs `mailshift-cli batch` over them into a fresh destination for each number of workers and
prints the time, mailboxes per minute, messages per second and the peak memory of the batch and
its exports (the batch's own resident set and the largest export's, from the kernel's accounting).
"""
import argparse
import csv
import resource
import shutil
import subprocess
import tempfile
import time
from pathlib import Path


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--mailboxes", type=int, default=24)
    parser.add_argument("--documents", type=int, default=300)
    parser.add_argument("--workers", default="1,2,4")
    arguments = parser.parse_args()
    build = Path(arguments.build)
    cli, store = build / "cli" / "mailshift-cli", build / "tools" / "mailshift-store"
    work = Path(tempfile.mkdtemp(prefix="mailshift-batch-bench-"))
    try:
        mail = work / "mail"
        mail.mkdir()
        for number in range(arguments.mailboxes):
            subprocess.run([str(store), "sample", str(mail / f"user{number:03d}.nsf"), "--documents",
                            str(arguments.documents), "--folders", "4", "--seed", str(number)], check=True,
                           stdout=subprocess.DEVNULL)
        print(f"{arguments.mailboxes} mailboxes of {arguments.documents} messages; "
              f"workers, seconds, mailboxes/min, messages/s, peak memory of one export")
        for workers in (int(w) for w in arguments.workers.split(",")):
            out = work / f"out-{workers}"
            started = time.monotonic()
            subprocess.run([str(cli), "batch", "--find", str(mail), "--to", str(out), "--workers", str(workers)],
                           check=False, stdout=subprocess.DEVNULL)
            seconds = time.monotonic() - started
            with open(out / "report.csv", newline="", encoding="utf-8") as source:
                rows = list(csv.DictReader(source))
            messages = sum(int(row["written"]) for row in rows)
            done = sum(row["status"] == "done" for row in rows)
            peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024
            print(f"{workers}, {seconds:.1f}, {done / seconds * 60:.1f}, {messages / seconds:.0f}, {peak:.0f} MB")
            shutil.rmtree(out)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

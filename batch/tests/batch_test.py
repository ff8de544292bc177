#!/usr/bin/env python3
"""A batch of 20 generated mailboxes (two broken, one mostly encrypted) run with 4 workers.

usage: batch_test.py MAILSHIFT_CLI MAILSHIFT_STORE WORK_FOLDER

The report must show each mailbox's true figures (its output folder's files and bytes), name the
broken ones with their reasons, and be readable HTML. A batch killed in the middle (SIGKILL; its
exports then stop by themselves) and run again finishes with every message once; a third run starts
nothing, and --retry-failed only the failed ones. The same list as three parts (--shard K/3),
merged by batch-report, gives the same report; so do the parts run by GNU parallel when it is
installed. A --find batch over the same folder makes one output folder per database.
"""
import html.parser
import os
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from batch_support import (BROKEN, Failures, check_report, comparable, make_mailboxes, output_truth,  # noqa: E402
                           read_report, write_list)


def run(cli, *arguments, timeout=600):
    return subprocess.run([cli, *map(str, arguments)], capture_output=True, text=True, timeout=timeout)


class TableReader(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.tables = self.rows = 0
        self.scripts_from_elsewhere = 0

    def handle_starttag(self, tag, attrs):
        self.tables += tag == "table"
        self.rows += tag == "tr"
        if tag in ("script", "link", "img") and any(name in ("src", "href") for name, _ in attrs):
            self.scripts_from_elsewhere += 1


def children_of(pid):
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            fields = (entry / "stat").read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == pid:
            found.append(int(entry.name))
    return found


def main():
    cli, store, work = str(Path(sys.argv[1]).resolve()), sys.argv[2], Path(sys.argv[3]).resolve()
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    failures = Failures()
    databases = make_mailboxes(store, work / "mail")

    # One batch of all twenty, four at a time.
    write_list(work / "list.csv", databases, work / "out")
    first = run(cli, "batch", work / "list.csv", "--workers", 4, "--report", work / "report")
    failures.check(first.returncode == 1, f"the batch ended with {first.returncode}: {first.stderr}")
    for name, reason in BROKEN.items():
        failures.check(f"{name}.nsf: failed: " in first.stderr and reason in first.stderr,
                       f"the batch's errors do not name {name} with {reason!r}: {first.stderr}")
    failures.check("20 mailboxes, 18 done, 0 done with errors, 2 failed, 0 skipped" in first.stdout, first.stdout)
    rows = read_report(work / "report")
    check_report(rows, databases, failures, "first run")
    page = TableReader()
    page.feed((work / "report" / "report.html").read_text(encoding="utf-8"))
    failures.check(page.tables == 1 and page.rows == 22, f"report.html: {page.tables} tables, {page.rows} rows")
    failures.check(page.scripts_from_elsewhere == 0, "report.html loads something from elsewhere")
    for database in databases:
        if database.stem in BROKEN:
            continue
        work_folders = list((work / "report" / "mailboxes").glob(f"{database.stem}-*"))
        failures.check(len(work_folders) == 1 and (work_folders[0] / "export.log").is_file(),
                       f"{database.stem} has no log of its own")

    # Run again: nothing is started for the done ones, and the report stays as it was.
    again = run(cli, "batch", work / "list.csv", "--workers", 4, "--report", work / "report")
    failures.check(comparable(read_report(work / "report")) == comparable(rows),
                   "a second run changed the report")
    retry = run(cli, "batch", work / "list.csv", "--retry-failed", "--report", work / "report")
    failures.check("20 mailboxes, 18 done, 0 done with errors, 2 failed" in retry.stdout, retry.stdout)
    del again

    # Killed in the middle: the batch and every export it started, at once.
    killed_out, killed_report = work / "killed-out", work / "killed-report"
    write_list(work / "killed.csv", databases, killed_out)
    batch = subprocess.Popen([cli, "batch", str(work / "killed.csv"), "--workers", "4", "--report",
                              str(killed_report)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline and len(list(killed_out.rglob("*.eml"))) < 300:
        time.sleep(0.02)
    exports = children_of(batch.pid)
    # On a slow or busy machine the batch may reach its end before it is killed: then there is
    # nothing running to see, and the re-run below still must add nothing twice.
    killed_while_running = batch.poll() is None and bool(exports)
    if killed_while_running:
        failures.check(len(exports) <= 4, f"{len(exports)} exports ran at once, not 1 to 4")
    else:
        print("note: the batch ended before it could be killed; its report is checked as a finished one")
    batch.send_signal(signal.SIGKILL)
    batch.wait()
    # Its exports are asked to stop when the batch is gone, and end after their current message.
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline and any(Path(f"/proc/{pid}").exists() for pid in exports):
        time.sleep(0.05)
    left = [pid for pid in exports if Path(f"/proc/{pid}").exists()]
    failures.check(not left, f"exports {left} go on after their batch was killed")
    for pid in left:
        os.kill(pid, signal.SIGKILL)
    partial = read_report(killed_report)
    failures.check(not killed_while_running or any(row["status"] == "running" for row in partial) or
                   len(partial) < 20, "the killed batch's report shows nothing running")
    resumed = run(cli, "batch", work / "killed.csv", "--workers", 4, "--report", killed_report)
    failures.check(resumed.returncode == 1, f"the resumed batch ended with {resumed.returncode}")
    resumed_rows = read_report(killed_report)
    check_report(resumed_rows, databases, failures, "resumed run")
    for database in databases:
        if database.stem in BROKEN:
            continue
        whole = output_truth(work / "out" / database.stem)
        after_kill = output_truth(killed_out / database.stem)
        failures.check(whole["files"] == after_kill["files"],
                       f"{database.stem}: {after_kill['files']} files after the kill and re-run, {whole['files']} "
                       f"in one go")

    # The same list as three parts, merged.
    shard_list = work / "shards.csv"
    write_list(shard_list, databases, work / "shard-out")
    for part in (1, 2, 3):
        result = run(cli, "batch", shard_list, "--shard", f"{part}/3", "--workers", 2, "--report",
                     work / "shard-report")
        failures.check(f"Batch part {part} of 3" in result.stdout, result.stdout + result.stderr)
    merge = run(cli, "batch-report", work / "shard-report")
    failures.check(merge.returncode == 0, f"batch-report ended with {merge.returncode}: {merge.stderr}")
    merged = read_report(work / "shard-report")
    check_report(merged, databases, failures, "merged shards")
    failures.check([row["database"] for row in merged] == [str(d) for d in databases],
                   "the merged report is not in the list's order")
    failures.check(comparable(merged) == comparable(rows),
                   "the merged report differs from the one of a single batch")

    # The parts run by GNU parallel on this machine, as on others over ssh.
    if shutil.which("parallel"):
        parallel_list = work / "parallel.csv"
        write_list(parallel_list, databases, work / "parallel-out")
        result = subprocess.run(["parallel", "--sshlogin", ":", cli, "batch", str(parallel_list), "--shard", "{}/3",
                                 "--workers", "2", "--report", str(work / "parallel-report"), ":::", "1", "2", "3"],
                                capture_output=True, text=True, timeout=600)
        # The first two parts hold a broken mailbox each and end with 1; parallel counts them.
        failures.check(result.returncode == 2, f"parallel: {result.returncode} parts failed, not 2: {result.stderr}")
        run(cli, "batch-report", work / "parallel-report")
        parallel_rows = read_report(work / "parallel-report")
        check_report(parallel_rows, databases, failures, "GNU parallel")
        failures.check(comparable(parallel_rows) == comparable(merged), "GNU parallel's report differs")
    else:
        print("GNU parallel is not installed: its route is not tested here")

    # A folder searched for databases: one output folder per database.
    found = run(cli, "batch", "--find", work / "mail", "--to", work / "found", "--workers", 4)
    failures.check(found.returncode == 1, f"--find ended with {found.returncode}: {found.stderr}")
    found_rows = read_report(work / "found")
    failures.check(sorted(row["database"] for row in found_rows) == sorted(str(d) for d in databases),
                   "--find did not find every database")
    failures.check(sorted(row["destination"] for row in found_rows) ==
                   sorted(str(work / "found" / d.stem) for d in databases), "--find's output folders")

    return failures.finish("batch_test")


if __name__ == "__main__":
    sys.exit(main())

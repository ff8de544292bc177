#!/usr/bin/env python3
"""Kills mailshift-cli export runs at several points and checks what they leave behind.

usage: kill_test.py MAILSHIFT_CLI MAILSHIFT_STORE WORK_FOLDER

A sample mailbox is exported once without interruption. Then the same export is killed with
SIGKILL and with SIGTERM after different numbers of messages. Every .eml file a killed run leaves
must parse without a defect with Python's email package and hold exactly the message the whole
run wrote for that document (MIME boundaries aside). After SIGTERM the run must end with exit
code 1, a log that says it was stopped, no passing files and no temporary folder. Each killed run
is then resumed into the same place: afterwards every document is there exactly once, as the
whole run wrote it, and a further run writes nothing.
"""
import email
import email.policy
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

DOCUMENTS = 1500
KILL_POINTS = [("SIGKILL", 1), ("SIGKILL", 60), ("SIGKILL", 500), ("SIGTERM", 1), ("SIGTERM", 25),
               ("SIGTERM", 600)]


class Failures:
    def __init__(self):
        self.items = []

    def check(self, condition, label, message):
        if not condition:
            self.items.append(f"{label}: {message}")


def message_files(root):
    return sorted(p for p in root.rglob("*.eml") if p.is_file())


def normalized(raw):
    """The message without what differs from one rendering to the next."""
    text = raw
    for boundary in set(re.findall(rb'boundary="([^"]+)"', text)):
        text = text.replace(boundary, b"BOUNDARY")
    return text


def document_id(raw):
    found = re.search(rb"^X-Notes-UNID: ([0-9A-F]{32})\r$", raw, flags=re.MULTILINE)
    return found.group(1).decode() if found else None


def by_document(root):
    """Each message file's folder and document id, with its bytes; and the ids seen twice."""
    messages, twice = {}, []
    for path in message_files(root):
        raw = path.read_bytes()
        key = (path.parent.name, document_id(raw))
        if key in messages:
            twice.append(key)
        messages[key] = raw
    return messages, twice


def check_whole(path, raw, whole, label, failures):
    failures.check(raw.endswith(b"\r\n"), label, f"{path.name} does not end with CR LF")
    failures.check(document_id(raw) is not None, label, f"{path.name} names no document")
    message = email.message_from_bytes(raw, policy=email.policy.default)
    for part in message.walk():
        failures.check(not part.defects, label, f"{path.name}: defects {part.defects!r}")
        if not part.is_multipart():
            part.get_payload(decode=True)
    failures.check(whole is not None, label, f"{path.name} was not written by the whole run")
    if whole is not None:
        failures.check(normalized(raw) == normalized(whole), label, f"{path.name} differs from the whole run's")


def run_export(cli, store, destination, home, temp):
    environment = dict(os.environ, HOME=str(home), TMPDIR=str(temp), LC_ALL="C", TZ="UTC0")
    return subprocess.Popen([cli, "export", str(store), str(destination)], env=environment,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    return folder


def main():
    cli, store_tool, work = sys.argv[1], sys.argv[2], Path(sys.argv[3])
    fresh(work)
    store = work / "sample.nsf"
    subprocess.run([store_tool, "sample", str(store), "--documents", str(DOCUMENTS)], check=True,
                   stdout=subprocess.DEVNULL)

    whole_run = run_export(cli, store, fresh(work / "whole"), fresh(work / "whole-home"), fresh(work / "whole-tmp"))
    whole_run.communicate(timeout=300)
    whole_root = work / "whole"
    whole, _ = by_document(whole_root)
    failures = Failures()
    failures.check(whole_run.returncode == 0, "whole run", f"exit code {whole_run.returncode}")
    failures.check(len(whole) > DOCUMENTS // 2, "whole run", f"only {len(whole)} messages")

    for name, after in KILL_POINTS:
        label = f"{name} after {after}"
        destination = fresh(work / "killed")
        home = fresh(work / "home")
        temp = fresh(work / "tmp")
        process = run_export(cli, store, destination, home, temp)
        deadline = time.monotonic() + 60
        while process.poll() is None and len(message_files(destination)) < after and time.monotonic() < deadline:
            time.sleep(0.002)
        process.send_signal(getattr(signal, name))
        process.communicate(timeout=120)

        files = message_files(destination)
        failures.check(0 < len(files) < len(whole), label, f"left {len(files)} of {len(whole)} messages")
        for path in files:
            raw = path.read_bytes()
            check_whole(path, raw, whole.get((path.parent.name, document_id(raw))), label, failures)

        log = (home / "Log.txt").read_bytes()
        failures.check(log.endswith(b"\r\n"), label, "the log ends inside a line")
        logged = log.count(b"\tEmail Subject : ")
        if name == "SIGTERM":
            failures.check(process.returncode == 1, label, f"exit code {process.returncode}")
            failures.check(b"\r\nStopped : " in log, label, "the log does not say the run was stopped")
            failures.check(logged == len(files), label, f"{logged} messages logged, {len(files)} written")
            leftovers = [p for p in destination.rglob("*") if p.name.startswith(".mailshift-")]
            failures.check(not leftovers, label, f"passing files left: {leftovers[:3]}")
            failures.check(not any(temp.iterdir()), label, f"left in the temporary folder: {list(temp.iterdir())}")
        else:
            # A message takes its name before its log line is written.
            failures.check(logged in (len(files), len(files) - 1), label,
                           f"{logged} messages logged, {len(files)} written")

        # Resumed, the export ends with every document exactly once, as the whole run wrote it.
        resumed = run_export(cli, store, destination, home, temp)
        out, _ = resumed.communicate(timeout=300)
        failures.check(resumed.returncode == 0, label, f"the resumed run ended with {resumed.returncode}")
        failures.check(f"{len(files)} written before".encode() in out or len(files) == 0, label,
                       f"the resumed run does not say what it skipped: {out[:200]!r}")
        messages, twice = by_document(destination)
        failures.check(not twice, label, f"documents written twice: {twice[:3]}")
        passing = [p for p in destination.rglob("*") if p.name.startswith(".mailshift-")]
        failures.check(not passing, label, f"the resumed run left unfinished messages: {passing[:3]}")
        failures.check(messages.keys() == whole.keys(), label,
                       f"after resuming {len(messages)} documents, the whole run has {len(whole)}")
        for key, raw in messages.items():
            failures.check(normalized(raw) == normalized(whole.get(key, b"")), label, f"{key} differs after resuming")

    # A further run into a complete export writes nothing; --again writes everything anew.
    again = run_export(cli, store, destination, home, temp)
    out, _ = again.communicate(timeout=300)
    failures.check(f"0 messages written, 0 not written, {len(whole)} written before".encode() in out,
                   "a complete export run again", f"said {out[:200]!r}")
    failures.check(len(message_files(destination)) == len(whole), "a complete export run again",
                   "wrote messages")
    environment = dict(os.environ, HOME=str(home), TMPDIR=str(temp), LC_ALL="C", TZ="UTC0")
    anew = subprocess.run([cli, "export", str(store), str(destination), "--again"], env=environment,
                          capture_output=True, timeout=300)
    failures.check(f"{len(whole)} messages written, 0 not written.".encode() in anew.stdout, "--again",
                   f"said {anew.stdout[:200]!r}")
    failures.check(len(message_files(destination)) == 2 * len(whole), "--again", "did not write everything")

    for item in failures.items:
        print(item)
    print(f"{len(KILL_POINTS)} killed and resumed runs checked, {len(failures.items)} failures")
    shutil.rmtree(work, ignore_errors=True)
    return 1 if failures.items else 0


if __name__ == "__main__":
    sys.exit(main())

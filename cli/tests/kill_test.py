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

Then what a re-run meets besides a kill, each ending with every document exactly once and whole:
an output folder and a message file deleted after the export; a run whose attachments could not
be extracted (no temporary folder) followed by a full one; the store replaced by another one (a
rename over it) during the run; and two runs started at once into the same destination.
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


def check_exactly_once(destination, whole, label, failures):
    """Every document of the whole run is in the destination once, as the whole run wrote it."""
    messages, twice = by_document(destination)
    failures.check(not twice, label, f"documents written twice: {twice[:3]}")
    passing = [p for p in destination.rglob("*") if p.name.startswith(".mailshift-")]
    failures.check(not passing, label, f"unfinished messages left: {passing[:3]}")
    failures.check(messages.keys() == whole.keys(), label,
                   f"{len(messages)} documents, the whole run has {len(whole)}")
    for key, raw in messages.items():
        failures.check(normalized(raw) == normalized(whole.get(key, b"")), label, f"{key} differs")


def finish(process, label, failures, expected=0):
    out, err = process.communicate(timeout=300)
    failures.check(process.returncode == expected, label,
                   f"exit code {process.returncode}: {out[-300:]!r} {err[-300:]!r}")
    return out + err


def rerun_cases(cli, store_tool, store, whole, work, failures):
    """What a re-run meets besides a kill."""
    home, temp = fresh(work / "rerun-home"), fresh(work / "rerun-tmp")

    label = "a deleted output folder and message file"
    destination = fresh(work / "deleted")
    finish(run_export(cli, store, destination, home, temp), label, failures)
    folders = sorted({p.parent for p in message_files(destination)}, key=lambda f: -len(list(f.iterdir())))
    shutil.rmtree(folders[0])
    message_files(folders[1])[0].unlink()
    out = finish(run_export(cli, store, destination, home, temp), label, failures)
    failures.check(b"Completed Successfully" in out, label, f"said {out[:200]!r}")
    check_exactly_once(destination, whole, label, failures)

    label = "a run without its attachments, then a full one"
    destination = fresh(work / "partial")
    out = finish(run_export(cli, store, destination, home, work / "no-such-folder"), label, failures, expected=1)
    failures.check(b"could not be extracted" in out, label, f"the first run said {out[:200]!r}")
    finish(run_export(cli, store, destination, home, temp), label, failures)
    check_exactly_once(destination, whole, label, failures)

    label = "the store replaced during the run"
    other = work / "other.nsf"
    subprocess.run([store_tool, "sample", str(other), "--documents", str(DOCUMENTS), "--seed", "2"], check=True,
                   stdout=subprocess.DEVNULL)
    other_run = run_export(cli, other, fresh(work / "other-whole"), home, temp)
    finish(other_run, label, failures)
    other_whole, _ = by_document(work / "other-whole")
    replaced = work / "replaced.nsf"
    shutil.copyfile(store, replaced)
    destination = fresh(work / "replaced")
    process = run_export(cli, replaced, destination, home, temp)
    # The two stores take the name in turn (each a rename over it, as a rebuild does) until the
    # run ends, the other one last.
    turn = 0
    while process.poll() is None:
        turn += 1
        taking = work / "replaced.nsf.new"
        os.link(other if turn % 2 else store, taking)
        os.replace(taking, replaced)
        time.sleep(0.003)
    if turn % 2 == 0:
        os.link(other, work / "replaced.nsf.new")
        os.replace(work / "replaced.nsf.new", replaced)
    process.communicate(timeout=300)
    # Each message is one store's document as a whole run of that store wrote it, never a mix.
    messages, twice = by_document(destination)
    failures.check(not twice, label, f"documents written twice: {twice[:3]}")
    for key, raw in messages.items():
        failures.check(normalized(raw) in (normalized(whole.get(key, b"")), normalized(other_whole.get(key, b""))),
                       label, f"{key} mixes the two stores")
    finish(run_export(cli, replaced, destination, home, temp), label, failures)
    messages, twice = by_document(destination)
    failures.check(not twice, label, f"documents written twice after resuming: {twice[:3]}")
    failures.check(other_whole.keys() <= messages.keys(), label, "the resumed run missed documents of the new store")

    label = "two runs at once into one destination"
    destination = fresh(work / "concurrent")
    runs = [run_export(cli, store, destination, fresh(work / f"home-{n}"), temp) for n in (1, 2)]
    said = [process.communicate(timeout=300) for process in runs]
    refused = [n for n, process in enumerate(runs) if b"Another export is writing into" in said[n][0] + said[n][1]]
    failures.check(all(process.returncode in (0, 1) for process in runs), label,
                   f"exit codes {[process.returncode for process in runs]}")
    failures.check(len(refused) <= 1, label, "both runs were refused")
    finish(run_export(cli, store, destination, home, temp), label, failures)
    check_exactly_once(destination, whole, label, failures)


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
        # A message killed between taking its name and its manifest line is written again in its
        # place, as nothing tells whether it is whole; every other one is skipped.
        failures.check(any(f"{n} written before".encode() in out for n in (len(files), len(files) - 1))
                       or len(files) == 0, label,
                       f"the resumed run does not say what it skipped: {out[:200]!r}")
        check_exactly_once(destination, whole, label + ", resumed", failures)
        # The private folder a killed run could not remove is gone with the run that resumed it.
        failures.check(not any(temp.iterdir()), label, f"left in the temporary folder: {list(temp.iterdir())}")

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

    rerun_cases(cli, store_tool, store, whole, work, failures)

    for item in failures.items:
        print(item)
    print(f"{len(KILL_POINTS)} killed and resumed runs and four re-run cases checked, {len(failures.items)} failures")
    shutil.rmtree(work, ignore_errors=True)
    return 1 if failures.items else 0


if __name__ == "__main__":
    sys.exit(main())

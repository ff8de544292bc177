#!/usr/bin/env python3
"""Exports a sample store into mbox files, a Maildir tree and a real Dovecot IMAP server, and reads
back what each holds with readers of their own: Python's mailbox module for mbox, Dovecot for the
Maildir tree and for the mailbox it was given over IMAP (TLS, STARTTLS and plaintext), with
Python's imaplib. Each message must be there once, in its folder, with its read and draft marks
and, over IMAP, its date as INTERNALDATE and its bytes. Then the faults: a run killed mid-way and
run again, a wrong password, a certificate that does not verify, a server without STARTTLS, a
full mailbox and a server that goes away mid-run; each says why, and the next run completes with
every message exactly once.

usage: delivery_test.py MAILSHIFT_CLI MAILSHIFT_STORE WORK_FOLDER
"""
import email
import email.policy
import email.utils
import imaplib
import json
import mailbox
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from collections import Counter
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
from dovecot_server import Dovecot, USER, PASSWORD  # noqa: E402

CLI, STORE, WORK = sys.argv[1], sys.argv[2], Path(sys.argv[3])
# The servers and the Maildir they read lie where their user (nobody, when the tests run as root)
# can reach them, whatever the rights of the folders above the build.
SERVERS = Path(tempfile.mkdtemp(prefix="mailshift-dovecot-"))
SERVERS.chmod(0o755)
DOCUMENTS = 150
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED:", message, flush=True)


def run(*arguments, env=None, expect=0):
    environment = dict(os.environ, MAILSHIFT_IMAP_PASSWORD=PASSWORD)
    environment.update(env or {})
    result = subprocess.run([CLI, *arguments], capture_output=True, text=True, env=environment,
                            stdin=subprocess.DEVNULL, timeout=600)
    if expect is not None and result.returncode != expect:
        check(False, f"{' '.join(arguments)}: exit {result.returncode}\n{result.stdout}\n{result.stderr}")
    return result


def header_id(raw):
    match = re.search(rb"^X-Notes-UNID: *(\S+)", raw, re.M | re.I)
    return match.group(1).decode() if match else None


def expected_messages(store, eml_root):
    """By output folder: the documents' ids, from an export into .eml files."""
    by_folder = {}
    for path in eml_root.rglob("*.eml"):
        by_folder.setdefault(path.parent.name, []).append(header_id(path.read_bytes()))
    return by_folder


def unread_ids(store):
    dump = json.loads(subprocess.run([STORE, "dump", str(store)], capture_output=True, check=True).stdout)
    return {d["unid"] for d in dump["documents"] if d.get("unread")}


# Where each output folder's messages land in a mail store.
STANDARD = {"Inbox": "INBOX", "Sent Items": "Sent", "Drafts": "Drafts", "Deleted Items": "Trash",
            "Junk Mail": "Junk", "Follow Up": "Follow Up"}


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    WORK.mkdir(parents=True)
    store = WORK / "Sample Mail.nsf"
    subprocess.run([STORE, "sample", str(store), "--documents", str(DOCUMENTS)], check=True)
    run("export", str(store), str(WORK / "eml"), "--log", str(WORK / "eml.log"))
    eml_root = next((WORK / "eml").iterdir())
    expected = expected_messages(store, eml_root)
    total = sum(len(v) for v in expected.values())
    unread = unread_ids(store)
    check(0 < len(unread) < total, f"the sample has unread messages ({len(unread)} of {total})")

    check_mbox(store, expected, unread)
    check_maildir(store, expected, unread, total)
    check_imap(store, expected, unread, total)
    check_faults(store, Counter(u for ids in expected.values() for u in ids))
    if failures:
        print(f"{len(failures)} failures")
        sys.exit(1)
    print("all delivery checks passed")


def check_mbox(store, expected, unread):
    run("export", str(store), "--to", f"mbox:{WORK / 'mbox'}", "--log", str(WORK / "mbox.log"))
    root = next((WORK / "mbox").iterdir())
    seen = Counter()
    for path in root.rglob("*"):
        if not path.is_file() or path.name.endswith(".txt"):
            continue
        for message in mailbox.mbox(str(path)):
            raw = message.as_bytes()
            unid = header_id(raw)
            seen[unid] += 1
            check(("R" in message.get_flags()) == (unid not in unread), f"mbox read mark of {unid}")
            check(message.get("X-Mozilla-Status") == ("0000" if unid in unread else "0001"),
                  f"mbox X-Mozilla-Status of {unid}")
    wanted = Counter(u for ids in expected.values() for u in ids)
    check(seen == wanted, f"mbox holds each message once ({sum(seen.values())} of {sum(wanted.values())})")
    check((root / "Projects.sbd" / "2008.sbd" / "Budget").is_file(), "mbox keeps folder levels in .sbd folders")
    # Again: nothing is added.
    run("export", str(store), "--to", f"mbox:{WORK / 'mbox'}", "--log", str(WORK / "mbox2.log"))
    again = sum(1 for p in root.rglob("*") if p.is_file() and not p.name.endswith(".txt")
                for _ in mailbox.mbox(str(p)))
    check(again == sum(wanted.values()), "a second mbox run adds nothing")


def fetch_all(imap):
    """By mailbox: (id, flags, internaldate, size, bytes) of each message."""
    found = {}
    status, boxes = imap.list()
    for line in boxes:
        name = line.decode().rsplit(' "/" ', 1)[1].strip('"')
        if "\\Noselect" in line.decode():
            continue
        status, exists = imap.select(f'"{name}"', readonly=True)
        messages = []
        if status == "OK" and int(exists[0]) > 0:
            status, data = imap.fetch("1:*", "(FLAGS INTERNALDATE RFC822.SIZE BODY.PEEK[])")
            for item in data:
                if not isinstance(item, tuple):
                    continue
                meta, raw = item
                flags = re.search(rb"FLAGS \(([^)]*)\)", meta).group(1).decode().split()
                date = imaplib.Internaldate2tuple(meta)
                size = int(re.search(rb"RFC822.SIZE (\d+)", meta).group(1))
                messages.append((header_id(raw), flags, time.mktime(date) if date else None, size, raw))
        found[name] = messages
    return found


def check_store_contents(found, expected, unread, label, sent_name):
    ids = Counter(m[0] for messages in found.values() for m in messages)
    wanted = Counter(u for v in expected.values() for u in v)
    check(ids == wanted, f"{label}: every message once ({sum(ids.values())} of {sum(wanted.values())})")
    for folder, want in expected.items():
        box = STANDARD.get(folder)
        if box == "Sent":
            box = sent_name
        if box is None:
            continue
        got = sorted(m[0] for m in found.get(box, []))
        check(got == sorted(want), f"{label}: folder {folder} in {box} ({len(got)} of {len(want)})")
    for box, messages in found.items():
        for unid, flags, internal, size, raw in messages:
            check(("\\Seen" in flags) == (unid not in unread), f"{label}: \\Seen of {unid} in {box}: {flags}")
            check(("\\Draft" in flags) == (box == "Drafts"), f"{label}: \\Draft of {unid} in {box}")
            check(size == len(raw), f"{label}: size of {unid}")
            message = email.message_from_bytes(raw, policy=email.policy.default)
            if message["Date"] and internal is not None:
                dated = email.utils.parsedate_to_datetime(message["Date"]).timestamp()
                # A message without any date of its own carries the time it was made.
                if abs(dated - time.time()) > 86400:
                    check(abs(dated - internal) < 1, f"{label}: INTERNALDATE of {unid} is its date")


def check_maildir(store, expected, unread, total):
    run("export", str(store), "--to", f"maildir:{SERVERS / 'maildir'}", "--log", str(WORK / "maildir.log"))
    root = next(p for p in (SERVERS / "maildir").iterdir() if p.is_dir())
    if os.geteuid() == 0:
        for path in [SERVERS / "maildir", *(SERVERS / "maildir").rglob("*")]:
            os.chown(path, 65534, 65534)
    # Dovecot reads the tree as a user's mailbox.
    with Dovecot(SERVERS / "dovecot-maildir", tls=False, mail_location=f"maildir:{root}") as server:
        imap = server.connect()
        found = fetch_all(imap)
        imap.logout()
    check_store_contents(found, expected, unread, "maildir", "Sent")
    check("Projects/2008/Budget" in found, f"maildir folders as Dovecot lists them: {sorted(found)}")


def export_imap(store, server, *extra, scheme="imaps", expect=0, state="imap-state", env=None):
    port = server.imaps_port if scheme == "imaps" else server.port
    return run("export", str(store), str(WORK / state), "--to", f"{scheme}://{USER}@127.0.0.1:{port}",
               "--log", str(WORK / f"{state}.log"), *extra, expect=expect, env=env)


def check_imap(store, expected, unread, total):
    with Dovecot(SERVERS / "dovecot") as server:
        started = time.monotonic()
        export_imap(store, server, "--ca-file", str(server.ca_file))
        print(f"IMAP export of {total} messages: {time.monotonic() - started:.1f} s", flush=True)
        imap = server.connect()
        found = fetch_all(imap)
        imap.logout()
        check_store_contents(found, expected, unread, "imap", "Sent Messages")
        check("Projects/2008/Budget" in found, f"imap folders: {sorted(found)}")
        manifest = next((WORK / "imap-state").iterdir()) / "Mailshift-Manifest.txt"
        records = [line.split("\t") for line in manifest.read_text().splitlines()[1:]]
        check(len(records) == total and all(re.fullmatch(r"\d+/\d+", r[2]) for r in records),
              "the manifest records each message's UIDVALIDITY/UID")
        # A second run sends nothing.
        result = export_imap(store, server, "--ca-file", str(server.ca_file))
        check(f"{total} written before" in result.stdout or "0 messages written" in result.stdout,
              f"a second IMAP run writes nothing: {result.stdout}")
        imap = server.connect()
        check(sum(len(v) for v in fetch_all(imap).values()) == total, "no message twice after the second run")
        imap.logout()
        # STARTTLS on the plain port, into a fresh state: every message is found on the server by
        # its Message-ID, none sent again.
        export_imap(store, server, "--ca-file", str(server.ca_file), scheme="imap", state="imap-state-2")
        imap = server.connect()
        check(sum(len(v) for v in fetch_all(imap).values()) == total, "a run without the manifest duplicates nothing")
        imap.logout()
        log = (SERVERS / "dovecot" / "dovecot.log").read_text()
        check("method=PLAIN" in log and "TLS" in log, "the logins were over TLS")
        check(PASSWORD not in (WORK / "imap-state.log").read_text(), "the password is not in the log")


def wait_for_records(state, least, process):
    """Waits until the run recorded at least that many messages in its manifest (or ended)."""
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline and process.poll() is None:
        manifests = list(Path(state).glob("*/Mailshift-Manifest.txt"))
        if manifests and len(manifests[0].read_bytes().splitlines()) > least:
            return True
        time.sleep(0.005)
    return False


def count_on(server):
    imap = server.connect()
    counts = Counter(m[0] for v in fetch_all(imap).values() for m in v)
    imap.logout()
    return counts


def check_faults(store, wanted):
    total = sum(wanted.values())
    # Wrong password, no certificate to verify against, no STARTTLS.
    with Dovecot(SERVERS / "dovecot-faults") as server:
        result = export_imap(store, server, "--ca-file", str(server.ca_file), env={"MAILSHIFT_IMAP_PASSWORD": "wrong"},
                             expect=1, state="faults")
        check("refused the login of mary" in result.stderr, f"wrong password: {result.stderr}")
        result = export_imap(store, server, expect=1, state="faults")
        check("certificate cannot be verified" in result.stderr, f"unverified certificate: {result.stderr}")
    with Dovecot(SERVERS / "dovecot-plain", tls=False) as server:
        result = export_imap(store, server, scheme="imap", expect=1, state="plain")
        check("offers no STARTTLS" in result.stderr, f"no STARTTLS: {result.stderr}")
        export_imap(store, server, "--allow-plaintext", scheme="imap", state="plain")
        check(sum(count_on(server).values()) == total, "plaintext when allowed")

    # Killed mid-way (twice), then run again: every message exactly once.
    with Dovecot(SERVERS / "dovecot-kill") as server:
        port = server.imaps_port
        environment = dict(os.environ, MAILSHIFT_IMAP_PASSWORD=PASSWORD)
        for least in (10, total // 2):
            process = subprocess.Popen([CLI, "export", str(store), str(WORK / "kill-state"), "--to",
                                        f"imaps://{USER}@127.0.0.1:{port}", "--ca-file", str(server.ca_file),
                                        "--log", str(WORK / "kill.log")], env=environment,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            check(wait_for_records(WORK / "kill-state", least, process), f"the run to kill got past {least}")
            process.send_signal(signal.SIGKILL)
            process.wait()
        partial = sum(count_on(server).values())
        check(0 < partial < total, f"the killed runs left part of the messages ({partial} of {total})")
        export_imap(store, server, "--ca-file", str(server.ca_file), state="kill-state")
        counts = count_on(server)
        check(counts == wanted,
              f"killed and run again: each message once ({partial} before, {sum(counts.values())} after)")

    # A full mailbox: the run ends saying so; with room again, the next run completes.
    with Dovecot(SERVERS / "dovecot-quota", quota_kb=120) as server:
        result = export_imap(store, server, "--ca-file", str(server.ca_file), expect=1, state="quota")
        check("full (quota)" in result.stdout + result.stderr, f"quota: {result.stdout} {result.stderr}")
        check("full (quota)" in (WORK / "quota.log").read_text(), "quota in the log")
    with Dovecot(SERVERS / "dovecot-quota", quota_kb=100000) as server:
        export_imap(store, server, "--ca-file", str(server.ca_file), state="quota")
        counts = count_on(server)
        check(counts == wanted, f"after the quota: each message once ({sum(counts.values())} of {total})")

    # The server goes away mid-run: the run says the connection was lost; the next one completes.
    server = Dovecot(SERVERS / "dovecot-gone").start()
    environment = dict(os.environ, MAILSHIFT_IMAP_PASSWORD=PASSWORD)
    process = subprocess.Popen([CLI, "export", str(store), str(WORK / "gone-state"), "--to",
                                f"imaps://{USER}@127.0.0.1:{server.imaps_port}", "--ca-file", str(server.ca_file),
                                "--log", str(WORK / "gone.log")], env=environment,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    check(wait_for_records(WORK / "gone-state", 10, process), "the run got going before the server went")
    server.crash()
    out, err = process.communicate(timeout=300)
    check(process.returncode != 0 and ("was lost" in out + err or "no connection" in out + err),
          f"server gone: {process.returncode} {out} {err}")
    server.start()
    try:
        export_imap(store, server, "--ca-file", str(server.ca_file), state="gone-state")
        counts = count_on(server)
        check(counts == wanted, f"after the server came back: each message once ({sum(counts.values())} of {total})")
    finally:
        server.stop()


if __name__ == "__main__":
    try:
        main()
    finally:
        shutil.rmtree(SERVERS, ignore_errors=True)

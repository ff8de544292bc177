#!/usr/bin/env python3
"""Messages per second into a local Dovecot over TLS, beside the rate the same server takes the
same messages from a minimal client, so that one sees whether the export or the server sets the
pace.

usage: bench/imap_delivery_bench.py BUILD_DIR [--documents N] [--rounds R]

Each round starts a fresh Dovecot (cli/tests/dovecot_server.py) and exports a sample store of N
documents into it with `mailshift-cli export --to imaps://...`; then it appends the messages the
export delivered, fetched back as they are, into a fresh mailbox of the same server with Python's
imaplib (one APPEND per message with the same flags and date, as the export sends them). It prints
the best and median rate of both and the export's CPU time beside the server's wall time.
"""
import argparse
import imaplib
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "cli" / "tests"))
from dovecot_server import Dovecot, USER, PASSWORD  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--documents", type=int, default=2000)
    parser.add_argument("--rounds", type=int, default=3)
    options = parser.parse_args()
    cli = Path(options.build) / "cli" / "mailshift-cli"
    store_tool = Path(options.build) / "tools" / "mailshift-store"
    work = Path(tempfile.mkdtemp(prefix="mailshift-imap-bench-"))
    work.chmod(0o755)  # the server may run as another user (nobody, when this runs as root)
    try:
        store = work / "Sample.nsf"
        subprocess.run([store_tool, "sample", str(store), "--documents", str(options.documents)], check=True)
        export_rates, client_rates, cpu = [], [], []
        for round_number in range(options.rounds):
            with Dovecot(work / f"dovecot-{round_number}") as server:
                before = resource.getrusage(resource.RUSAGE_CHILDREN)
                started = time.monotonic()
                subprocess.run([cli, "export", str(store), str(work / f"state-{round_number}"), "--to",
                                f"imaps://{USER}@127.0.0.1:{server.imaps_port}", "--ca-file", str(server.ca_file),
                                "--log", str(work / "bench.log")],
                               check=True, stdout=subprocess.DEVNULL,
                               env=dict(os.environ, MAILSHIFT_IMAP_PASSWORD=PASSWORD))
                elapsed = time.monotonic() - started
                after = resource.getrusage(resource.RUSAGE_CHILDREN)
                cpu.append((after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime))
                imap = server.connect()
                messages = []
                status, boxes = imap.list()
                for line in boxes:
                    name = line.decode().rsplit(' "/" ', 1)[1].strip('"')
                    status, exists = imap.select(f'"{name}"', readonly=True)
                    if status != "OK" or int(exists[0]) == 0:
                        continue
                    status, data = imap.fetch("1:*", "(FLAGS INTERNALDATE BODY.PEEK[])")
                    for item in data if status == "OK" else []:
                        if isinstance(item, tuple):
                            flags = " ".join(f.decode() for f in imaplib.ParseFlags(item[0]))
                            date = imaplib.Internaldate2tuple(item[0])
                            messages.append((f"({flags})", imaplib.Time2Internaldate(date), item[1]))
                count = len(messages)
                export_rates.append(count / elapsed)
                imap.create("Again")
                started = time.monotonic()
                for flags, date, raw in messages:
                    imap.append("Again", flags, date, raw)
                client_rates.append(count / (time.monotonic() - started))
                imap.logout()
            print(f"round {round_number + 1}: {count} messages; export {export_rates[-1]:.0f}/s "
                  f"(CPU {cpu[-1]:.1f} s), plain APPEND {client_rates[-1]:.0f}/s", flush=True)
        print(f"export into Dovecot over TLS: best {max(export_rates):.0f}, median "
              f"{statistics.median(export_rates):.0f} messages/s")
        print(f"imaplib APPEND of the same messages: best {max(client_rates):.0f}, median "
              f"{statistics.median(client_rates):.0f} messages/s")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

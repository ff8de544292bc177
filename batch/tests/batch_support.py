"""Mailboxes for batch tests: generated stand-in stores, two of them broken, one mostly encrypted,
and what the report of a batch over them must say."""
import csv
import json
import os
import re
import subprocess
from pathlib import Path

ENCRYPTED_DOCUMENTS = 24
PLAIN_DOCUMENTS_BESIDE_ENCRYPTED = 6
BROKEN = {"broken-empty": "the file is empty", "broken-garbage": "not a mail store"}


def encrypted_fixture():
    documents, ids = [], []
    for number in range(ENCRYPTED_DOCUMENTS + PLAIN_DOCUMENTS_BESIDE_ENCRYPTED):
        encrypted = number < ENCRYPTED_DOCUMENTS
        ident = f"d{number}"
        ids.append(ident)
        items = [{"name": "Subject", "text": [f"Secret {number}" if encrypted else f"Open {number}"]},
                 {"name": "From", "text": ["Eve Cipher/Org"]},
                 {"name": "PostedDate", "datetime": ["2009-03-04T10:00:00Z"]},
                 {"name": "Body", "richtext": "sealed" if encrypted else "plain text", "encrypted": encrypted}]
        documents.append({"id": ident, "unid": f"{number + 1:032X}", "encrypted": encrypted, "items": items})
    views = [{"name": "($Inbox)", "folder": True, "documents": ids}]
    for name in ("($Drafts)", "($Sent)", "($Follow-Up)", "($JunkMail)", "($Trash)"):
        views.append({"name": name, "folder": True, "documents": []})
    return {"title": "Mail - Eve Cipher", "views": views, "documents": documents}


def make_mailboxes(store_tool, folder, count=20, documents=40):
    """count stores in folder (two broken, one mostly encrypted); their paths in list order."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    paths = []
    for number in range(count):
        if number == 5:
            path = folder / "broken-empty.nsf"
            path.write_bytes(b"")
        elif number == 11:
            path = folder / "broken-garbage.nsf"
            path.write_bytes(os.urandom(3000))
        elif number == 8:
            path = folder / "encrypted-heavy.nsf"
            fixture = folder / "encrypted-heavy.json"
            fixture.write_text(json.dumps(encrypted_fixture()), encoding="utf-8")
            subprocess.run([store_tool, "build", str(fixture), str(path)], check=True)
            fixture.unlink()
        else:
            path = folder / f"user{number:02d}.nsf"
            subprocess.run([store_tool, "sample", str(path), "--documents", str(documents + 3 * number),
                            "--folders", str(2 + number % 4), "--seed", str(1000 + number)], check=True,
                           stdout=subprocess.DEVNULL)
        paths.append(path)
    return paths


def write_list(path, databases, destination_root):
    with open(path, "w", newline="", encoding="utf-8") as out:
        writer = csv.writer(out, lineterminator="\r\n")
        writer.writerow(["database", "destination", "owner"])
        for database in databases:
            writer.writerow([str(database), str(Path(destination_root) / database.stem), f"Owner of {database.stem}"])


def read_report(folder):
    with open(Path(folder) / "report.csv", newline="", encoding="utf-8") as source:
        return list(csv.DictReader(source))


def document_id(raw):
    found = re.search(rb"^X-Notes-UNID: ([0-9A-F]{32})\r$", raw, flags=re.MULTILINE)
    return found.group(1).decode() if found else None


def output_truth(destination):
    """What is really in a mailbox's output: message files, their bytes, and messages found twice."""
    files = sorted(p for p in Path(destination).rglob("*.eml") if p.is_file())
    seen, twice = set(), []
    for path in files:
        key = (path.parent.name, document_id(path.read_bytes()))
        if key in seen:
            twice.append(key)
        seen.add(key)
    return {"files": len(files), "bytes": sum(p.stat().st_size for p in files), "twice": twice}


FIGURES = ("status", "written", "not_written", "partial", "encrypted", "bytes", "folders", "first_error", "owner")


def comparable(rows):
    return {row["database"]: {key: row[key] for key in FIGURES} for row in rows}


class Failures:
    def __init__(self):
        self.items = []

    def check(self, condition, message):
        if not condition:
            self.items.append(message)

    def finish(self, name):
        for item in self.items:
            print(f"FAIL: {item}")
        if self.items:
            print(f"{name}: {len(self.items)} failure(s)")
            return 1
        print(f"{name}: passed")
        return 0


def check_report(rows, databases, failures, label):
    """Each row against what its output folder really holds; the broken ones failed with reasons."""
    by_database = {row["database"]: row for row in rows}
    failures.check(len(rows) == len(databases), f"{label}: {len(rows)} rows for {len(databases)} mailboxes")
    for database in databases:
        row = by_database.get(str(database))
        if row is None:
            failures.check(False, f"{label}: no row for {database}")
            continue
        name = database.stem
        if name in BROKEN:
            failures.check(row["status"] == "failed", f"{label}: {name} is {row['status']}")
            failures.check(BROKEN[name] in row["first_error"],
                           f"{label}: {name}'s reason is {row['first_error']!r}, not {BROKEN[name]!r}")
            continue
        destination = Path(row["destination"])
        truth = output_truth(destination)
        failures.check(not truth["twice"], f"{label}: {name} holds messages twice: {truth['twice'][:3]}")
        failures.check(int(row["written"]) == truth["files"],
                       f"{label}: {name} reports {row['written']} written, its folder holds {truth['files']}")
        failures.check(int(row["bytes"]) == truth["bytes"],
                       f"{label}: {name} reports {row['bytes']} bytes, its files hold {truth['bytes']}")
        failures.check(row["owner"] == f"Owner of {name}", f"{label}: {name}'s owner is {row['owner']!r}")
        if name == "encrypted-heavy":
            # An encrypted body written with what can be read is final: the mailbox is done, and
            # its encrypted messages are counted.
            failures.check(row["status"] == "done", f"{label}: the encrypted mailbox is {row['status']}")
            # A resumed run counts the encrypted messages it wrote itself: those an earlier run
            # wrote whole are skipped and not read again.
            encrypted = int(row["encrypted"])
            failures.check(encrypted == ENCRYPTED_DOCUMENTS or (label == "resumed run" and encrypted <= ENCRYPTED_DOCUMENTS),
                           f"{label}: encrypted {row['encrypted']}, not {ENCRYPTED_DOCUMENTS}")
        else:
            failures.check(row["status"] == "done", f"{label}: {name} is {row['status']}: {row['first_error']}")
            failures.check(int(row["not_written"]) == 0 and int(row["partial"]) == 0,
                           f"{label}: {name} has messages not written or in part")

#!/usr/bin/env python3
"""Checks every message file listed in a manifest with Python's email package.

usage: check_eml.py FOLDER   (FOLDER holds manifest.json as written by eml_samples)

Each file must be a 7-bit clean RFC 5322 / MIME message with CR LF line ends that the default
policy parses without defects, and its subject, sender, recipients, date, body text and
attachments (names and bytes) must equal what went in.
"""
import base64
import email
import email.policy
import email.utils
import json
import re
import sys
from pathlib import Path


class Failures:
    def __init__(self):
        self.items = []

    def check(self, condition, label, message):
        if not condition:
            self.items.append(f"{label}: {message}")


def check_raw(raw, label, failures):
    failures.check(all(b < 128 for b in raw), label, "holds bytes outside 7-bit ASCII")
    failures.check(raw.endswith(b"\r\n"), label, "does not end with CR LF")
    failures.check(re.search(rb"(?<!\r)\n", raw) is None, label, "holds an LF without CR")
    failures.check(re.search(rb"\r(?!\n)", raw) is None, label, "holds a CR without LF")
    longest = max(len(line) for line in raw.split(b"\r\n"))
    failures.check(longest <= 998, label, f"has a line of {longest} characters")


def header_defects(part):
    found = []
    for name, value in part.items():
        for defect in getattr(value, "defects", ()):
            found.append(f"{name}: {defect!r}")
    return found


# The domain of the addresses that stand for Notes names without an Internet address.
NOTES_NAME_DOMAIN = "@notes.mailshift.invalid"


def addresses(message, field):
    """The field's entries as (name, address) pairs; a group, and a Notes name's mailbox at the
    reserved domain, give the name and address ""."""
    value = message[field]
    if value is None:
        return []
    entries = []
    for group in value.groups:
        if group.display_name is None:
            for address in group.addresses:
                mailbox = address.addr_spec
                entries.append((address.display_name, "" if mailbox.endswith(NOTES_NAME_DOMAIN) else mailbox))
        else:
            entries.append((group.display_name, ""))
            if group.addresses:
                entries.append(("<members>", str(group.addresses)))
    return entries


def expected_addresses(recipients):
    return [(r["name"], r["address"]) for r in recipients]


def raw_parameter(part, header, name):
    value = part.get_param(name, header=header)
    return None if value is None else email.utils.collapse_rfc2231_value(value)


def check_plain_body(entry, body, label, failures):
    failures.check(body.get_content_type() == "text/plain", label, "body is not text/plain")
    failures.check(body.get_content_charset() == "utf-8", label, "body is not UTF-8")
    failures.check(body["Content-Transfer-Encoding"] in ("quoted-printable", "base64"), label,
                   f"body encoding {body['Content-Transfer-Encoding']}")
    text = body.get_content().replace("\r\n", "\n")
    want = entry["body"].replace("\r\n", "\n")
    failures.check(text == want, label, f"body {text[:200]!r} != {want[:200]!r}")


def check_body_parts(entry, body, label, failures):
    """A body sent as MIME: its text and HTML alternatives, and the pictures the HTML shows, each
    found by a Content-ID that exists."""
    failures.check(body.is_multipart(), label, "the body is no multipart")
    leaves = [part for part in body.walk() if not part.is_multipart()]
    texts = [part for part in leaves if part.get_content_type() == "text/plain"]
    htmls = [part for part in leaves if part.get_content_type() == "text/html"]
    failures.check(len(texts) == 1 and len(htmls) == 1, label, "has not one text and one HTML part")
    if texts:
        text = texts[0].get_content().replace("\r\n", "\n")
        failures.check(text == entry["body"].replace("\r\n", "\n"), label, f"text part {text[:200]!r}")
    html = htmls[0].get_content() if htmls else ""
    failures.check(html == entry["html"], label, f"HTML part {html[:200]!r}")
    by_id = {str(part["Content-ID"]).strip("<>"): part for part in leaves if part["Content-ID"]}
    for cid in re.findall(r'cid:([^"\'>\s]+)', html):
        failures.check(cid in by_id, label, f"the HTML shows cid:{cid}, which no part has")
    for inline in entry.get("inline", []):
        part = by_id.get(inline["cid"])
        if not failures.check(part is not None, label, f"no part has the Content-ID {inline['cid']}"):
            continue
        failures.check(part.get_content_type() == inline["type"], label, f"{inline['cid']} type")
        failures.check(part.get_content_disposition() == "inline", label, f"{inline['cid']} is not inline")
        failures.check(part.get_payload(decode=True) == base64.b64decode(inline["base64"]), label,
                       f"{inline['cid']} bytes differ")


def check_message(entry, failures):
    label = entry["label"]
    path = Path(entry["file"])
    raw = path.read_bytes()
    check_raw(raw, label, failures)
    message = email.message_from_bytes(raw, policy=email.policy.default)

    for part in message.walk():
        failures.check(not part.defects, label, f"part defects {part.defects!r}")
        defects = header_defects(part)
        failures.check(not defects, label, f"header defects {defects}")

    for field in ("Date", "Message-ID", "MIME-Version", "From"):
        failures.check(len(message.get_all(field, [])) == 1, label, f"has not exactly one {field} field")
    failures.check(re.fullmatch(r"<[^<>@\s]+@[^<>@\s]+>", str(message["Message-ID"])) is not None, label,
                   f"Message-ID {message['Message-ID']!r}")
    failures.check(str(message["MIME-Version"]) == "1.0", label, "MIME-Version is not 1.0")

    subject = message["Subject"]
    failures.check((str(subject) if subject is not None else "") == entry["subject"], label,
                   f"subject {str(subject)!r} != {entry['subject']!r}")

    for field in ("From", "To", "Cc", "Bcc"):
        got = addresses(message, field)
        want = expected_addresses(entry[field.lower()])
        failures.check(got == want, label, f"{field} {got!r} != {want!r}")
    mailboxes = [r for r in entry["from"] if r["address"]]
    if len(entry["from"]) > 1 and mailboxes:
        got = addresses(message, "Sender")
        want = expected_addresses(mailboxes[:1])
        failures.check(got == want, label, f"Sender {got!r} != {want!r}")

    date = message["Date"].datetime
    expected = entry["date"]
    if "epoch" in expected:
        failures.check(int(date.timestamp()) == expected["epoch"], label,
                       f"date {date.isoformat()} is not the instant {expected['epoch']}")
        offset = int(date.utcoffset().total_seconds() // 60)
        failures.check(offset == expected["offset_minutes"], label,
                       f"date offset {offset} != {expected['offset_minutes']} minutes")
    else:
        failures.check(abs(date.timestamp() - expected["around"]) < 600, label,
                       f"date {date.isoformat()} is not the time of writing")

    attachments = entry["attachments"]
    if attachments:
        failures.check(message.get_content_type() == "multipart/mixed", label, "is not multipart/mixed")
        parts = list(message.iter_parts())
    else:
        # A body sent as MIME is multipart itself; only attachments make the message mixed.
        failures.check("html" in entry or not message.is_multipart(), label,
                       "is multipart without attachments")
        parts = [message]
    failures.check(len(parts) == 1 + len(attachments), label, f"has {len(parts)} parts")
    if not parts:
        return

    if "html" in entry:
        check_body_parts(entry, parts[0], label, failures)
    else:
        check_plain_body(entry, parts[0], label, failures)

    for part, attachment in zip(parts[1:], attachments):
        failures.check(part.get_content_disposition() == "attachment", label, "part is no attachment")
        failures.check(part["Content-Transfer-Encoding"] == "base64", label, "attachment is not base64")
        name = raw_parameter(part, "content-disposition", "filename")
        failures.check(name == attachment["name"], label, f"attachment name {name!r} != {attachment['name']!r}")
        type_name = raw_parameter(part, "content-type", "name")
        failures.check(type_name == attachment["name"], label, f"content type name {type_name!r}")
        content = part.get_payload(decode=True)
        failures.check(content == base64.b64decode(attachment["base64"]), label,
                       f"attachment {attachment['name']!r} bytes differ")
        if "type" in attachment:
            failures.check(part.get_content_type() == attachment["type"], label,
                           f"attachment {attachment['name']!r} is {part.get_content_type()}")

    # Header fields the message must carry once with these values, and fields it must not carry.
    for field, value in entry.get("headers", {}).items():
        found = message.get_all(field, [])
        failures.check(len(found) == 1, label, f"has {len(found)} {field} fields")
        if found:
            got = " ".join(str(found[0]).split())
            failures.check(got == value, label, f"{field} {got!r} != {value!r}")
    for field in entry.get("absent", []):
        failures.check(message[field] is None, label, f"carries {field}")


def main():
    folder = Path(sys.argv[1])
    manifest = json.loads((folder / "manifest.json").read_text(encoding="utf-8"))
    failures = Failures()
    if not manifest:
        failures.items.append("the manifest lists no messages")
    for entry in manifest:
        check_message(entry, failures)
    for item in failures.items:
        print(item)
    print(f"{len(manifest)} messages checked, {len(failures.items)} failures")
    return 1 if failures.items else 0


if __name__ == "__main__":
    sys.exit(main())

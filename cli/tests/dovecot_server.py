"""A Dovecot IMAP server for tests: Debian's dovecot-imapd started as an unprivileged process in a
folder of its own, with a passwd-file, on free loopback ports (plaintext with STARTTLS, and TLS
from the start), a throw-away certificate made with openssl, stopped by its own process id.

When the tests run as root (a fresh CI machine), the server runs as the user "nobody" instead.
"""
import imaplib
import os
import pwd
import grp
import shutil
import signal
import socket
import ssl
import subprocess
import time
from pathlib import Path

DOVECOT = "/usr/sbin/dovecot"
USER = "mary"
PASSWORD = "pass word"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Dovecot:
    def __init__(self, folder, quota_kb=None, tls=True, starttls=True, mail_location="maildir:~/Maildir"):
        self.folder = Path(folder).resolve()
        self.quota_kb = quota_kb
        self.mail_location = mail_location
        self.tls = tls
        self.starttls = starttls
        self.port = free_port()
        self.imaps_port = free_port()
        self.process = None
        if os.geteuid() == 0:
            entry = pwd.getpwnam("nobody")
            self.user, self.uid, self.gid = "nobody", entry.pw_uid, entry.pw_gid
        else:
            self.uid, self.gid = os.getuid(), os.getgid()
            self.user = pwd.getpwuid(self.uid).pw_name
        self.group = grp.getgrgid(self.gid).gr_name
        self.ca_file = self.folder / "cert.pem"

    def _make_certificate(self):
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2",
                        "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
                        "-keyout", str(self.folder / "key.pem"), "-out", str(self.ca_file)],
                       check=True, capture_output=True)

    def config_text(self):
        f = self.folder
        ssl_lines = "ssl = no\n"
        if self.tls:
            ssl_lines = (f"ssl = {'yes' if self.starttls else 'required'}\n"
                         f"ssl_cert = <{f}/cert.pem\nssl_key = <{f}/key.pem\n")
        quota = ""
        if self.quota_kb is not None:
            quota = ("mail_plugins = $mail_plugins quota\n"
                     "protocol imap {\n  mail_plugins = $mail_plugins imap_quota\n}\n"
                     f"plugin {{\n  quota = maildir:User quota\n  quota_rule = *:storage={self.quota_kb}K\n}}\n")
        imaps = ""
        if self.tls:
            imaps = f"  inet_listener imaps {{\n    address = 127.0.0.1\n    port = {self.imaps_port}\n    ssl = yes\n  }}\n"
        return f"""
base_dir = {f}/run
state_dir = {f}/state
instance_name = mailshift-test-{self.port}
log_path = {f}/dovecot.log
protocols = imap
listen = 127.0.0.1
default_internal_user = {self.user}
default_internal_group = {self.group}
default_login_user = {self.user}
first_valid_uid = {min(self.uid, 500) if self.uid else 0}
first_valid_gid = 0
disable_plaintext_auth = no
auth_mechanisms = plain login
{ssl_lines}
passdb {{
  driver = passwd-file
  args = scheme=PLAIN username_format=%u {f}/passwd
}}
userdb {{
  driver = static
  args = uid={self.uid} gid={self.gid} home={f}/home/%u
}}
mail_location = {self.mail_location}
namespace inbox {{
  inbox = yes
  separator = /
  mailbox Drafts {{
    special_use = \\Drafts
    auto = subscribe
  }}
  mailbox Junk {{
    special_use = \\Junk
    auto = subscribe
  }}
  mailbox Trash {{
    special_use = \\Trash
    auto = subscribe
  }}
  mailbox "Sent Messages" {{
    special_use = \\Sent
    auto = subscribe
  }}
}}
imap_capability = +APPENDLIMIT=20000000
{quota}
service imap-login {{
  chroot =
  user = {self.user}
  inet_listener imap {{
    address = 127.0.0.1
    port = {self.port}
  }}
{imaps}}}
service imap {{
  user = {self.user}
}}
service anvil {{
  chroot =
  user = {self.user}
}}
service auth {{
  user = {self.user}
}}
service auth-worker {{
  user = {self.user}
}}
service stats {{
  user = {self.user}
}}
service log {{
  user = {self.user}
}}
service config {{
  user = {self.user}
}}
service dict {{
  user = {self.user}
}}
service director {{
  user = {self.user}
}}
service doveadm {{
  user = {self.user}
}}
service dns-client {{
  user = {self.user}
}}
service imap-hibernate {{
  user = {self.user}
}}
service imap-urlauth-login {{
  chroot =
  user = {self.user}
}}
"""

    def start(self):
        self.folder.mkdir(parents=True, exist_ok=True)
        for sub in ("run", "state", "home"):
            (self.folder / sub).mkdir(exist_ok=True)
        if self.tls:
            self._make_certificate()
        (self.folder / "passwd").write_text(f"{USER}:{{PLAIN}}{PASSWORD}\n")
        (self.folder / "dovecot.conf").write_text(self.config_text())
        if os.geteuid() == 0:
            for path in [self.folder, *self.folder.rglob("*")]:
                os.chown(path, self.uid, self.gid)
        command = [DOVECOT, "-F", "-c", str(self.folder / "dovecot.conf")]
        if os.geteuid() == 0:
            command = ["setpriv", f"--reuid={self.uid}", f"--regid={self.gid}", "--clear-groups", *command]
        # A process group of its own, so that crash() reaches its login and IMAP processes too.
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                        start_new_session=True)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise RuntimeError("dovecot did not start: " + self.process.stdout.read().decode() + self.log())
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=0.2) as s:
                    if s.recv(100).startswith(b"* OK"):
                        return self
            except OSError:
                time.sleep(0.02)
        raise RuntimeError("dovecot did not answer: " + self.log())

    def log(self):
        path = self.folder / "dovecot.log"
        return path.read_text(errors="replace") if path.exists() else ""

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None

    def crash(self):
        """Ends the server and every connection at once, as a machine that goes away."""
        if self.process and self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        self.process = None
        # A server killed at once leaves its dot-locks behind, which Dovecot takes for stale only
        # after minutes; a machine that comes back after a crash has been away that long.
        for lock in self.folder.rglob("*.lock"):
            lock.unlink(missing_ok=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def connect(self):
        """An imaplib connection, logged in."""
        if self.tls:
            context = ssl.create_default_context(cafile=str(self.ca_file))
            imap = imaplib.IMAP4_SSL("127.0.0.1", self.imaps_port, ssl_context=context)
        else:
            imap = imaplib.IMAP4("127.0.0.1", self.port)
        imap.login(USER, PASSWORD)
        return imap

"""Drives the servers tls_servers.py started with real TLS FTP clients.

curl (TLS session reused on data connections, as vsftpd and proftpd require)
for passive transfers and listings; Python's ftplib, taught to reuse the
session, for active mode, MLST and the UTF-8 name, which this curl cannot
do over TLS (its active mode fails on TLS connections).
"""
import ftplib
import io
import os
import ssl
import subprocess
import tempfile
import urllib.parse


def read_state(state):
    values = {}
    with open(os.path.join(state, "servers.txt"), encoding="utf-8") as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            values[key] = value
    return values


class SessionReusingFTP(ftplib.FTP_TLS):
    """ftplib's FTP_TLS opens each data connection with a fresh TLS session;
    servers that insist on the control connection's session refuse that."""

    def ntransfercmd(self, cmd, rest=None):
        conn, size = ftplib.FTP.ntransfercmd(self, cmd, rest)
        if self._prot_p:
            conn = self.context.wrap_socket(conn, server_hostname=self.host,
                                            session=self.sock.session)
        return conn, size


class Checker:
    def __init__(self, state):
        self.state = state
        self.s = read_state(state)
        self.failures = []
        self.work = tempfile.mkdtemp(prefix="tls-check-")

    def fail(self, where, what):
        self.failures.append("%s: %s" % (where, what))

    def curl(self, port, cafile, path, *extra):
        url = "ftp://127.0.0.1:%s/%s" % (port, urllib.parse.quote(path))
        cmd = ["curl", "-sS", "--ssl-reqd", "--cacert", cafile, "--max-time", "20",
               "-u", "%s:%s" % (self.s["user"], self.s["password"]), url] + list(extra)
        return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def ftp(self, port, cafile, passive):
        context = ssl.create_default_context(cafile=cafile)
        context.minimum_version = ssl.TLSVersion.TLSv1_2
        ftp = SessionReusingFTP(context=context, timeout=20, encoding="utf-8")
        ftp.connect("127.0.0.1", int(port))
        ftp.auth()
        ftp.login(self.s["user"], self.s["password"])
        ftp.prot_p()
        ftp.set_pasv(passive)
        return ftp

    def full_session(self, name, port, cafile):
        """Upload and download through curl (passive) and ftplib (both modes)."""
        payload = os.urandom(300000)
        local = os.path.join(self.work, "payload.bin")
        with open(local, "wb") as f:
            f.write(payload)
        remote = "up load %s.bin" % name
        # This curl's uploads over TLS 1.3 stop part way (downloads are fine);
        # ftplib below uploads over TLS 1.3.
        got = self.curl(port, cafile, remote, "-T", local, "--tls-max", "1.2")
        if got.returncode:
            return self.fail(name, "curl upload: " + got.stderr.decode(errors="replace"))
        got = self.curl(port, cafile, remote)
        if got.returncode or got.stdout != payload:
            return self.fail(name, "curl download: " + got.stderr.decode(errors="replace"))
        got = self.curl(port, cafile, "")
        if got.returncode or remote.encode() not in got.stdout:
            return self.fail(name, "curl listing lacks the upload")
        utf8_name = self.s["utf8_name"]
        for passive in (True, False):
            mode = "passive" if passive else "active"
            try:
                ftp = self.ftp(port, cafile, passive)
                data = io.BytesIO()
                ftp.retrbinary("RETR " + utf8_name, data.write)
                if not data.getvalue().startswith("Привет".encode()):
                    self.fail(name, mode + ": wrong content of the UTF-8 file")
                back = "назад %s.bin" % mode
                ftp.storbinary("STOR " + back, io.BytesIO(payload))
                data = io.BytesIO()
                ftp.retrbinary("RETR " + back, data.write)
                if data.getvalue() != payload:
                    self.fail(name, mode + ": download differs from upload")
                listing = []
                ftp.retrlines("LIST", listing.append)
                if not any(line.endswith(back) for line in listing):
                    self.fail(name, mode + ": LIST lacks " + back)
                if "MLST" in ftp.sendcmd("FEAT"):
                    fact = ftp.sendcmd("MLST " + back)
                    if "size=%d" % len(payload) not in fact.lower():
                        self.fail(name, "MLST gives " + fact)
                ftp.delete(back)
                ftp.quit()
            except (ftplib.Error, OSError, EOFError) as e:
                self.fail(name, "%s session: %r" % (mode, e))

    def refuses(self, name, port, cafile):
        """The certificate must not pass the client's check."""
        got = self.curl(port, cafile, "")
        if got.returncode == 0:
            self.fail(name, "a client checking the certificate accepted it")

    def plain_refused(self, name, port):
        got = subprocess.run(["curl", "-sS", "--max-time", "20", "-u", "%s:%s" % (
            self.s["user"], self.s["password"]), "ftp://127.0.0.1:%s/" % port],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if got.returncode == 0:
            self.fail(name, "logged in without TLS")


def check(state):
    c = Checker(state)
    certs = os.path.join(state, "certs")
    ca = c.s["ca_pem"]
    for program in ("vsftpd", "proftpd", "pureftpd"):
        if program + "_self_port" not in c.s:
            continue
        c.full_session(program + " self-signed", c.s[program + "_self_port"],
                       os.path.join(certs, "self.pem"))
        c.full_session(program + " CA-signed", c.s[program + "_ca_port"], ca)
        c.refuses(program + " self-signed without its pin", c.s[program + "_self_port"], ca)
        c.refuses(program + " wrong host name", c.s[program + "_wrongname_port"], ca)
        c.plain_refused(program, c.s[program + "_self_port"])
    c.full_session("mixed over TLS", c.s["mixed_port"], os.path.join(certs, "self.pem"))
    for failure in c.failures:
        print("FAILED", failure)
    print("tls server check:", "%d failures" % len(c.failures) if c.failures else "passed")
    return 1 if c.failures else 0

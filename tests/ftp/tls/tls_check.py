"""Drives the servers tls_servers.py started with real TLS FTP clients.

curl (TLS session reused on data connections, as vsftpd and proftpd require)
for passive transfers and listings; Python's ftplib, taught to reuse the
session, for active mode, MLST and the UTF-8 name, which this curl cannot
do over TLS (its active mode fails on TLS connections).
"""
import concurrent.futures
import ftplib
import io
import os
import shutil
import socket
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
        """curl over TLS checked against cafile; without cafile, plain FTP."""
        url = "ftp://127.0.0.1:%s/%s" % (port, urllib.parse.quote(path))
        tls = ["--ssl-reqd", "--cacert", cafile] if cafile else []
        cmd = ["curl", "-sS", "--max-time", "20", "-u",
               "%s:%s" % (self.s["user"], self.s["password"]), url] + tls + list(extra)
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
        """Upload through curl (passive), transfers through ftplib (both modes)."""
        payload = os.urandom(300000)
        local = os.path.join(self.work, name + ".bin")
        with open(local, "wb") as f:
            f.write(payload)
        remote = "up load %s.bin" % name
        # This curl's uploads over TLS 1.3 stop part way (downloads are fine);
        # ftplib below uploads over TLS 1.3.
        got = self.curl(port, cafile, remote, "-T", local, "--tls-max", "1.2")
        if got.returncode:
            return self.fail(name, "curl upload: " + got.stderr.decode(errors="replace"))
        got = self.curl(port, cafile, "")
        if got.returncode or remote.encode() not in got.stdout:
            return self.fail(name, "curl listing lacks the upload")
        utf8_name = self.s["utf8_name"]
        for passive in (True, False):
            mode = "passive" if passive else "active"
            try:
                ftp = self.ftp(port, cafile, passive)
                data = io.BytesIO()
                ftp.retrbinary("RETR " + remote, data.write)
                if data.getvalue() != payload:
                    self.fail(name, mode + ": curl's upload reads back changed")
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

    def reuse(self, name, port, cafile, required):
        """A data connection with a TLS session of its own is refused exactly
        where the server demands the control connection's session."""
        ftp = ftplib.FTP_TLS(context=ssl.create_default_context(cafile=cafile), timeout=20)
        try:
            ftp.connect("127.0.0.1", int(port))
            ftp.auth()
            ftp.login(self.s["user"], self.s["password"])
            ftp.prot_p()
            ftp.retrlines("LIST", lambda line: None)
            refused = False
        except ftplib.Error:
            refused = True
        except (OSError, EOFError) as e:
            return self.fail(name, "new data session: %r" % e)
        finally:
            ftp.close()
        if refused != required:
            self.fail(name, "a new TLS session on data was " + ("accepted" if required else "refused"))

    def refuses(self, name, port, cafile):
        """The certificate must not pass the client's check."""
        got = self.curl(port, cafile, "")
        if got.returncode == 0:
            self.fail(name, "a client checking the certificate accepted it")

    def plain_refused(self, name, port, cafile):
        """Neither the login nor the data may go without TLS."""
        if self.curl(port, None, "").returncode == 0:
            self.fail(name, "logged in without TLS")
        try:
            ftp = self.ftp(port, cafile, True)
            ftp.prot_c()
            ftp.retrlines("LIST", lambda line: None)
            self.fail(name, "listed over a plain data connection")
        except ftplib.error_perm:
            pass
        except (ftplib.Error, OSError, EOFError) as e:
            self.fail(name, "PROT C: %r" % e)


    def hostile(self):
        """The hostile server misbehaves as its modes promise, and no worse."""
        s = self.s
        certs = os.path.join(self.state, "certs")

        def first_bytes(port, limit):
            with socket.create_connection(("127.0.0.1", int(port)), timeout=1) as conn:
                got = b""
                try:
                    while len(got) < limit and b"\r\n" not in got[-2048:]:
                        chunk = conn.recv(65536)
                        if not chunk:
                            break
                        got += chunk
                except socket.timeout:
                    pass
                return got

        if first_bytes(s["hostile_silent_port"], 1):
            self.fail("hostile silent", "it spoke")
        if first_bytes(s["hostile_garbage_port"], 4096)[:3].isdigit():
            self.fail("hostile garbage", "it sent a reply code")
        if len(first_bytes(s["hostile_longline_port"], 2 << 20)) < 1 << 20:
            self.fail("hostile longline", "the line is shorter than 1 MiB")
        context = ssl.create_default_context(cafile=os.path.join(certs, "self.pem"))
        try:
            ftp = SessionReusingFTP(context=context, timeout=3)
            ftp.connect("127.0.0.1", int(s["hostile_badtls_port"]))
            ftp.auth()
            self.fail("hostile badtls", "the handshake succeeded")
        except (ftplib.Error, ValueError, OSError, EOFError):
            pass
        for user, whole in (("normal", True), ("pasv-foreign", True), ("drop-transfer", False)):
            ftp = SessionReusingFTP(context=context, timeout=10)
            try:
                ftp.connect("127.0.0.1", int(s["hostile_login_port"]))
                ftp.auth()
                ftp.login(user, "x")
                ftp.prot_p()
                if user == "pasv-foreign" and "10,0,0,1" not in ftp.sendcmd("PASV"):
                    self.fail("hostile " + user, "PASV names another address")
                data = io.BytesIO()
                try:
                    ftp.retrbinary("RETR file.bin", data.write)
                except (ftplib.Error, OSError, EOFError):
                    pass
                if (len(data.getvalue()) == int(s["hostile_payload_size"])) != whole:
                    self.fail("hostile " + user, "%d bytes came" % len(data.getvalue()))
            except (ftplib.Error, OSError, EOFError) as e:
                self.fail("hostile " + user, repr(e))
            finally:
                ftp.close()

    def plain(self):
        plain = self.curl(self.s["plain_port"], None, self.s["utf8_name"], "--ssl-reqd")
        if plain.returncode == 0:
            self.fail("plain", "it offered TLS")
        for port in (self.s["plain_port"], self.s["mixed_port"]):
            got = self.curl(port, None, self.s["utf8_name"])
            if got.returncode or not got.stdout.startswith("Привет".encode()):
                self.fail("plain on %s" % port, got.stderr.decode(errors="replace"))


def check(state):
    c = Checker(state)
    self_pem = os.path.join(state, "certs", "self.pem")
    ca = c.s["ca_pem"]

    def program_checks(program):
        port = c.s[program + "_self_port"]
        c.full_session(program + " self-signed", port, self_pem)
        listing = c.curl(c.s[program + "_ca_port"], ca, "")
        if listing.returncode or c.s["utf8_name"].encode() not in listing.stdout:
            c.fail(program + " CA-signed", "no listing: " + listing.stderr.decode(errors="replace"))
        c.refuses(program + " self-signed without its pin", port, ca)
        c.refuses(program + " wrong host name", c.s[program + "_wrongname_port"], ca)
        c.plain_refused(program, port, self_pem)
        if program + "_noreuse_port" in c.s:
            c.reuse(program, port, self_pem, True)
            c.reuse(program + " noreuse", c.s[program + "_noreuse_port"], self_pem, False)

    # The servers are independent of one another: check them side by side.
    jobs = [lambda p=p: program_checks(p) for p in ("vsftpd", "proftpd", "pureftpd")]
    jobs += [lambda: c.full_session("mixed over TLS", c.s["mixed_port"], self_pem),
             c.plain, c.hostile]
    try:
        with concurrent.futures.ThreadPoolExecutor(len(jobs)) as pool:
            for future in [pool.submit(job) for job in jobs]:
                future.result()
    finally:
        shutil.rmtree(c.work, ignore_errors=True)
    for failure in sorted(c.failures):
        print("FAILED", failure)
    print("tls server check:", "%d failures" % len(c.failures) if c.failures else "passed")
    return 1 if c.failures else 0

#!/usr/bin/python3
"""FTP over TLS servers on loopback for the OrvFtp TLS tests and benchmark.

  tls_servers.py start --state DIR [--packages DIR]
  tls_servers.py check --state DIR
  tls_servers.py stop --state DIR
  tls_servers.py fetch --packages DIR

`fetch` downloads vsftpd, proftpd (with mod_tls) and pure-ftpd with
`apt-get download` and unpacks them into the packages folder (default: next
to the state folder), once; the three packages conflict with one another, so
none of them is installed.

`start` makes a test CA and three server certificates with openssl (one
signed by the CA for 127.0.0.1 and localhost, one signed by the CA for a
wrong host name, one self-signed for 127.0.0.1 and localhost), then starts on
127.0.0.1, each on a free port with passive ports of its own, active mode
allowed:
  - vsftpd (require_ssl_reuse=YES), proftpd (mod_tls, TLSRequired on, session
    reuse required) and pure-ftpd (--tls=3), TLS required for login and data,
    each once per certificate;
  - vsftpd and proftpd once more with the self-signed certificate, TLS
    required but data connections allowed to start a TLS session of their
    own (for clients that cannot resume one);
  - vsftpd with TLS optional for login and data (and no session reuse
    demanded), for comparing TLS with plain FTP against one server;
  - a plain pyftpdlib server without TLS;
  - the hostile server (see hostile_ftp_server.py) with the self-signed
    certificate;
  - OpenSSH's sshd twice, serving SFTP: with ECDSA and RSA host keys, and
    with an Ed25519 host key alone.
Every server has the same account; vsftpd, proftpd, pure-ftpd, the mixed and
the plain server each serve a root folder of their own, filled afresh with
sample files, and show it as "/". Everything a client needs is written to
DIR/servers.txt, one key=value line each (UTF-8):
  host, user, password
  ca_pem, ca_der                    the test CA's certificate
  fingerprint_self, fingerprint_ca, fingerprint_wrongname
                                    SHA-256 of each server certificate, 64
                                    upper-case hex digits
  vsftpd_self_port, vsftpd_ca_port, vsftpd_wrongname_port, vsftpd_noreuse_port
  proftpd_self_port, proftpd_ca_port, proftpd_wrongname_port, proftpd_noreuse_port
  pureftpd_self_port, pureftpd_ca_port, pureftpd_wrongname_port
  mixed_port, plain_port
  vsftpd_root, proftpd_root, pureftpd_root, mixed_root, plain_root
  sample_name, sample_size, utf8_name   files in every root (and sub/inner.txt)
  hostile_login_port, hostile_silent_port, hostile_garbage_port,
  hostile_longline_port, hostile_badtls_port, hostile_hold,
  hostile_payload_size
  sftp_port, sftp_ed25519_port, sftp_root, large_name
  ssh_fingerprint_ecdsa, ssh_fingerprint_rsa, ssh_fingerprint_ed25519
                                    each host key as ssh-keygen -l shows it
  ssh_key_rsa, ssh_key_rsa_openssh, ssh_key_rsa_pkcs8, ssh_key_ecdsa_pkcs8,
  ssh_key_ecdsa, ssh_key_ed25519, ssh_key_stranger,
  ssh_key_passphrase                user keys (no .pub beside them), the
                                    stranger's not authorized
`start` returns once every server answers.

`check` drives every server with curl and Python's ftplib as TLS clients
(login, upload, download, a name with blanks and Cyrillic letters, LIST and
MLST, active and passive mode, the certificates a client must refuse).
`stop` ends every process `start` started, and only those.
"""
import argparse
import os
import pwd
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

# The FTP account on every server. vsftpd logs in through PAM, so the account
# is also a system user (created once, reused afterwards).
USER = "velmortls"
PASSWORD = "Tls-Secret-16"

DEB_PACKAGES = ("vsftpd", "proftpd-core", "proftpd-mod-crypto", "pure-ftpd",
                "openssh-server", "openssh-sftp-server")
CERTS = ("self", "ca", "wrongname")
TLS_PROGRAMS = ("vsftpd", "proftpd", "pureftpd")
PASSIVE_PORTS_EACH = 16
# Seconds the hostile server keeps a silent or stalled connection open:
# beyond the client's 60 s bound, so that the client gives up first.
HOSTILE_HOLD = 75

SAMPLE_NAME = "sample.bin"
SAMPLE_SIZE = 100000
UTF8_NAME = "файл с пробелами.txt"
UTF8_TEXT = "Привет, FTP over TLS\r\n".encode("utf-8")


def run(cmd, **kw):
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, **kw)
    out = result.stdout.decode(errors="replace")
    if result.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(cmd), result.returncode, out))
    return out


# ---------------------------------------------------------------- packages

def packages_dir(args):
    if args.packages:
        return os.path.abspath(args.packages)
    return os.path.join(os.path.dirname(os.path.abspath(args.state)), "ftp-tls-packages")


def fetch(pkg_dir):
    root = os.path.join(pkg_dir, "root")
    # The marker names what was unpacked: a longer list unpacks afresh.
    marker = os.path.join(pkg_dir, "unpacked")
    if os.path.exists(marker) and open(marker).read() == " ".join(DEB_PACKAGES):
        return root
    debs = os.path.join(pkg_dir, "debs")
    if os.path.isdir(debs):
        shutil.rmtree(debs)
    os.makedirs(debs)
    try:
        run(["apt-get", "download"] + list(DEB_PACKAGES), cwd=debs)
    except RuntimeError:
        # Stale package lists in a fresh container: refresh once and retry.
        run(["apt-get", "update", "-qq"])
        run(["apt-get", "download"] + list(DEB_PACKAGES), cwd=debs)
    if os.path.isdir(root):
        shutil.rmtree(root)
    for deb in sorted(os.listdir(debs)):
        if deb.endswith(".deb"):
            run(["dpkg-deb", "-x", os.path.join(debs, deb), root])
    with open(marker, "w") as f:
        f.write(" ".join(DEB_PACKAGES))
    return root


# ---------------------------------------------------------------- certificates

def fingerprint(pem):
    out = run(["openssl", "x509", "-noout", "-fingerprint", "-sha256", "-in", pem])
    return out.strip().split("=", 1)[1].replace(":", "").upper()


def make_certificates(cert_dir):
    """Returns {name: (cert path, key path)} for the CA and the three server certificates."""
    os.makedirs(cert_dir, exist_ok=True)
    p = lambda name: os.path.join(cert_dir, name)
    days = "30"
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
         "-keyout", p("testca.key"), "-out", p("testca.pem"), "-days", days,
         "-subj", "/O=Velmor Test/CN=Velmor FTP Test CA",
         "-addext", "basicConstraints=critical,CA:TRUE",
         "-addext", "keyUsage=critical,keyCertSign,cRLSign"])
    run(["openssl", "x509", "-in", p("testca.pem"), "-outform", "DER", "-out", p("testca.der")])
    leaf_ext = ("basicConstraints=CA:FALSE\n"
                "keyUsage=critical,digitalSignature,keyEncipherment\n"
                "extendedKeyUsage=serverAuth\n")
    for name, cn, san in (("ca", "localhost", "IP:127.0.0.1,DNS:localhost"),
                          ("wrongname", "wrong.example", "DNS:wrong.example")):
        with open(p(name + ".ext"), "w") as f:
            f.write(leaf_ext + "subjectAltName=" + san + "\n")
        run(["openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes",
             "-keyout", p(name + ".key"), "-out", p(name + ".csr"),
             "-subj", "/O=Velmor Test/CN=" + cn])
        run(["openssl", "x509", "-req", "-sha256", "-in", p(name + ".csr"),
             "-CA", p("testca.pem"), "-CAkey", p("testca.key"),
             "-set_serial", str(random.randrange(1, 2 ** 63)),
             "-days", days, "-extfile", p(name + ".ext"), "-out", p(name + ".pem")])
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
         "-keyout", p("self.key"), "-out", p("self.pem"), "-days", days,
         "-subj", "/O=Velmor Test/CN=localhost",
         "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
         "-addext", "extendedKeyUsage=serverAuth"])
    certs = {}
    for name in CERTS:
        # pure-ftpd wants the key and the certificate in one file.
        with open(p(name + ".both.pem"), "wb") as f:
            f.write(open(p(name + ".key"), "rb").read())
            f.write(open(p(name + ".pem"), "rb").read())
        os.chmod(p(name + ".both.pem"), 0o600)
        certs[name] = (p(name + ".pem"), p(name + ".key"), p(name + ".both.pem"))
    return certs


# ---------------------------------------------------------------- ports

def port_free(port):
    with socket.socket() as s:
        try:
            s.bind(("127.0.0.1", port))
            return True
        except OSError:
            return False


class Ports:
    """Hands out free loopback ports: single ones and ranges for passive mode."""

    def __init__(self):
        self.taken = set()
        self.rng = random.Random()

    def one(self):
        while True:
            with socket.socket() as s:
                s.bind(("127.0.0.1", 0))
                port = s.getsockname()[1]
            if port not in self.taken:
                self.taken.add(port)
                return port

    def span(self, count):
        for _ in range(200):
            base = self.rng.randrange(20000, 32000)
            ports = range(base, base + count)
            if not self.taken.intersection(ports) and all(port_free(p) for p in ports):
                self.taken.update(ports)
                return base, base + count - 1
        raise RuntimeError("no free range of %d ports" % count)


# ---------------------------------------------------------------- account and roots

def ensure_user():
    # vsftpd enters the home folder before the configured root, so it must exist.
    try:
        entry = pwd.getpwnam(USER)
        if entry.pw_dir != "/":
            run(["usermod", "--home", "/", USER])
    except KeyError:
        result = subprocess.run(["useradd", "--system", "--no-create-home",
                                 "--home-dir", "/", "--shell", "/usr/sbin/nologin",
                                 "--comment", "Velmor FTP TLS tests", USER],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if result.returncode not in (0, 9):  # 9: created meanwhile by a parallel run
            raise RuntimeError("useradd failed: " + result.stdout.decode(errors="replace"))
        entry = pwd.getpwnam(USER)
    subprocess.run(["chpasswd"], input=("%s:%s\n" % (USER, PASSWORD)).encode(), check=True)
    return entry.pw_uid, entry.pw_gid


def usable_by(uid, gid, folder):
    return subprocess.run(["test", "-x", folder, "-a", "-r", folder], user=uid,
                          group=gid, extra_groups=[]).returncode == 0


def served_base(state, uid, gid):
    """The folder for whatever the servers read as the FTP account: the roots
    and sshd's authorized_keys. The state folder when the account can reach
    it, else a private folder under /tmp (a build tree under /root, or under
    any home folder of mode 0700, is closed to other users)."""
    if usable_by(uid, gid, state):
        return os.path.join(state, "roots"), False
    base = tempfile.mkdtemp(prefix="velmor-ftp-tls-")
    os.chmod(base, 0o755)
    return base, True


def fill_root(root, uid, gid):
    if os.path.isdir(root):
        shutil.rmtree(root)
    os.makedirs(os.path.join(root, "sub"))
    rng = random.Random(16)
    with open(os.path.join(root, SAMPLE_NAME), "wb") as f:
        f.write(rng.randbytes(SAMPLE_SIZE))
    with open(os.path.join(root, UTF8_NAME), "wb") as f:
        f.write(UTF8_TEXT)
    with open(os.path.join(root, "sub", "inner.txt"), "wb") as f:
        f.write(b"inner file\r\n")
    for folder, dirs, files in os.walk(root):
        os.chown(folder, uid, gid)
        os.chmod(folder, 0o777)
        for name in files:
            os.chown(os.path.join(folder, name), uid, gid)
            os.chmod(os.path.join(folder, name), 0o666)


# ---------------------------------------------------------------- processes

def launch(state, name, cmd, env=None):
    """Starts a server in a process group of its own, output to logs/NAME.log."""
    log = open(os.path.join(state, "logs", name + ".log"), "ab")
    proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                            start_new_session=True, env=env)
    log.close()
    with open(os.path.join(state, "pids"), "a") as f:
        f.write("%s %d\n" % (name, proc.pid))
    return proc


def greets(port):
    """True once the server on the port sends its 220 greeting."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=2) as s:
            reply = b""
            while b"\n" not in reply:
                chunk = s.recv(4096)
                if not chunk:
                    return False
                reply += chunk
            if reply.startswith(b"220"):
                s.sendall(b"QUIT\r\n")
                return True
    except OSError:
        pass
    return False


def wait_until_greeting(procs):
    """procs: [(name, process, port)]. Raises when one exits or stays silent."""
    deadline = time.time() + 20
    pending = list(procs)
    while pending:
        name, proc, port = pending[0]
        if proc.poll() is not None:
            raise RuntimeError("%s (port %d) exited with %s" % (name, port, proc.returncode))
        if greets(port):
            pending.pop(0)
            continue
        if time.time() > deadline:
            raise RuntimeError("%s does not answer on port %d" % (name, port))
        time.sleep(0.05)


# ---------------------------------------------------------------- the servers

def start_vsftpd(ctx, name, cert, port, root, tls_required, reuse_required=True):
    low, high = ctx.ports.span(PASSIVE_PORTS_EACH)
    required = "YES" if tls_required else "NO"
    conf = os.path.join(ctx.state, "conf", name + ".conf")
    with open(conf, "w") as f:
        f.write("\n".join((
            "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1",
            "listen_port=%d" % port, "background=NO",
            "anonymous_enable=NO", "local_enable=YES", "write_enable=YES",
            "local_umask=022", "local_root=" + root,
            "chroot_local_user=YES", "allow_writeable_chroot=YES",
            "pam_service_name=velmor-ftp-tls",
            "secure_chroot_dir=" + ctx.empty_dir, "nopriv_user=nobody",
            "seccomp_sandbox=NO", "isolate=NO", "isolate_network=NO",
            "pasv_enable=YES", "pasv_address=127.0.0.1",
            "pasv_min_port=%d" % low, "pasv_max_port=%d" % high,
            "port_enable=YES", "connect_from_port_20=NO",
            "utf8_filesystem=YES", "use_localtime=NO",
            "xferlog_enable=YES", "log_ftp_protocol=YES",
            "vsftpd_log_file=" + os.path.join(ctx.state, "logs", name + ".protocol.log"),
            "ssl_enable=YES", "ssl_tlsv1=YES", "ssl_sslv2=NO", "ssl_sslv3=NO",
            "ssl_ciphers=HIGH:!aNULL:!MD5",
            "rsa_cert_file=" + ctx.certs[cert][0],
            "rsa_private_key_file=" + ctx.certs[cert][1],
            "force_local_logins_ssl=" + required,
            "force_local_data_ssl=" + required,
            "require_ssl_reuse=" + ("YES" if reuse_required else "NO"),
            "")))
    proc = launch(ctx.state, name, [os.path.join(ctx.bin, "usr/sbin/vsftpd"), conf])
    return name, proc, port


def proftpd_users(ctx, root, uid, gid):
    """The account file proftpd reads instead of the system's."""
    path = os.path.join(ctx.state, "conf", "proftpd.passwd")
    hashed = run(["openssl", "passwd", "-6", PASSWORD]).strip()
    with open(path, "w") as f:
        f.write("%s:%s:%d:%d::%s:/bin/false\n" % (USER, hashed, uid, gid, root))
    os.chmod(path, 0o600)
    group = os.path.join(ctx.state, "conf", "proftpd.group")
    with open(group, "w") as f:
        f.write("%s:x:%d:\n" % (USER, gid))
    return path, group


def start_proftpd(ctx, name, cert, port, users, reuse_required=True):
    low, high = ctx.ports.span(PASSIVE_PORTS_EACH)
    conf = os.path.join(ctx.state, "conf", name + ".conf")
    logs = os.path.join(ctx.state, "logs", name)
    with open(conf, "w") as f:
        f.write("\n".join((
            'ServerName "Velmor test proftpd"', "ServerType standalone",
            "DefaultServer on", "DefaultAddress 127.0.0.1", "SocketBindTight on",
            "UseIPv6 off", "Port %d" % port, "PassivePorts %d %d" % (low, high),
            "User nobody", "Group nogroup", "Umask 022",
            "PidFile " + os.path.join(ctx.run_dir, name + ".pid"),
            "ScoreboardFile " + os.path.join(ctx.run_dir, name + ".scoreboard"),
            "DelayEngine off", "WtmpLog off", "UseReverseDNS off",
            "SystemLog " + logs + ".system.log", "TransferLog " + logs + ".xfer.log",
            "ModulePath " + os.path.join(ctx.bin, "usr/lib/proftpd"),
            "LoadModule mod_tls.c",
            "AuthOrder mod_auth_file.c", "AuthUserFile " + users[0],
            "AuthGroupFile " + users[1], "RequireValidShell off", "UseFtpUsers off",
            "DefaultRoot ~", "AllowOverwrite on", "UseEncoding UTF-8 UTF-8",
            "TLSEngine on", "TLSRequired on", "TLSProtocol TLSv1.2 TLSv1.3",
            "TLSRSACertificateFile " + ctx.certs[cert][0],
            "TLSRSACertificateKeyFile " + ctx.certs[cert][1],
            "TLSVerifyClient off", "TLSRenegotiate none",
            "# data connections must resume the control connection's TLS session"
            if reuse_required else "TLSOptions NoSessionReuseRequired",
            "TLSLog " + logs + ".tls.log",
            "")))
    cmd = [os.path.join(ctx.bin, "usr/sbin/proftpd"), "--nodaemon", "--config", conf]
    return name, launch(ctx.state, name, cmd), port


def pureftpd_users(ctx, root, uid, gid):
    """The virtual account in pure-ftpd's own database. The line is the one
    pure-pw writes, with a SHA-512 crypt hash instead of its deliberately slow
    argon2 (seconds per login on a busy machine)."""
    text = os.path.join(ctx.state, "conf", "pureftpd.passwd")
    db = os.path.join(ctx.state, "conf", "pureftpd.pdb")
    hashed = run(["openssl", "passwd", "-6", PASSWORD]).strip()
    with open(text, "w") as f:
        # The "/./" marks the folder the user is locked into.
        f.write("%s:%s:%d:%d::%s/./%s\n" % (USER, hashed, uid, gid, root, ":" * 12))
    run([os.path.join(ctx.bin, "usr/bin/pure-pw"), "mkdb", db, "-f", text])
    return db


def start_pureftpd(ctx, name, cert, port, db):
    low, high = ctx.ports.span(PASSIVE_PORTS_EACH)
    cmd = [os.path.join(ctx.bin, "usr/sbin/pure-ftpd"),
           "--bind", "127.0.0.1,%d" % port, "--login", "puredb:" + db,
           "--noanonymous", "--chrooteveryone", "--dontresolve",
           "--passiveportrange", "%d:%d" % (low, high), "--forcepassiveip", "127.0.0.1",
           "--tls", "3", "--certfile", ctx.certs[cert][2],
           "--tlsciphersuite", "HIGH:!aNULL:!MD5",
           "--altlog", "clf:" + os.path.join(ctx.state, "logs", name + ".xfer.log")]
    return name, launch(ctx.state, name, cmd), port


def serve_plain(port, low, high, root):
    """A plain FTP server without TLS (runs in the launched child)."""
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer

    authorizer = DummyAuthorizer()
    authorizer.add_user(USER, PASSWORD, root, perm="elradfmwMT")
    FTPHandler.authorizer = authorizer
    FTPHandler.passive_ports = range(low, high + 1)
    FTPServer(("127.0.0.1", port), FTPHandler).serve_forever()


def start_plain(ctx, port, root):
    low, high = ctx.ports.span(PASSIVE_PORTS_EACH)
    cmd = [sys.executable, os.path.abspath(__file__), "serve-plain", "--port", str(port),
           "--passive", "%d:%d" % (low, high), "--root", root]
    return "plain", launch(ctx.state, "plain", cmd), port


def start_hostile(ctx, values, ssh_port):
    ports_file = os.path.join(ctx.state, "run", "hostile.ports")
    cmd = [sys.executable, os.path.join(HERE, "hostile_ftp_server.py"),
           "--cert", ctx.certs["self"][0], "--key", ctx.certs["self"][1],
           "--ports", ports_file, "--hold", str(HOSTILE_HOLD), "--ssh-upstream", str(ssh_port)]
    for mode in ("login", "silent", "garbage", "longline", "badtls", "sshgarbage", "sshhuge",
                 "sshcut", "sshstall"):
        cmd += ["--listen", "%s:%d" % (mode, ctx.ports.one())]
    proc = launch(ctx.state, "hostile", cmd)
    deadline = time.time() + 20
    while not os.path.exists(ports_file):
        if proc.poll() is not None or time.time() > deadline:
            raise RuntimeError("the hostile server did not start")
        time.sleep(0.05)
    with open(ports_file) as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            values[key] = value
    values["hostile_hold"] = str(HOSTILE_HOLD)
    values["hostile_payload_size"] = str(256 * 1024)
    return "hostile", proc, int(values["hostile_login_port"])


# ---------------------------------------------------------------- sshd

SSH_KEY_PASSPHRASE = "Key-Pass-7"
LARGE_SIZE = 2 * 1024 * 1024  # beyond what the hostile relay carries


def ssh_fingerprint(pub):
    """OpenSSH's SHA-256 fingerprint of a public key file."""
    return run(["ssh-keygen", "-l", "-E", "sha256", "-f", pub]).split()[1]


def start_sshd(ctx, values, root, authorized):
    """OpenSSH's sshd from the unpacked package with host keys made now and
    its default algorithms; password and key logins of the test account,
    which lands in `root` through the built-in SFTP server. sshd reads the
    `authorized` keys file as that account, so it must lie where the account
    can reach it; the other keys stay in the state folder (read as root).
    Two of them: one with ECDSA and RSA host keys, and one with an Ed25519
    host key alone (a client offered ECDSA takes it first) that offers
    curve25519-sha256 alone for the key exchange."""
    keys = os.path.join(ctx.state, "ssh")
    os.makedirs(keys)
    for kind in ("ecdsa", "rsa", "ed25519"):
        run(["ssh-keygen", "-q", "-t", kind, "-N", "", "-f",
             os.path.join(keys, "host_" + kind)])
        values["ssh_fingerprint_" + kind] = ssh_fingerprint(os.path.join(keys, "host_%s.pub" % kind))
    # Client keys: RSA in PEM form and in OpenSSH's, ECDSA and Ed25519 in
    # OpenSSH's form with a passphrase, RSA (with the passphrase) and ECDSA in
    # PKCS#8 form. Their public key files go once authorized: the client
    # derives the public key from the private one.
    clients = {"user_rsa": ("rsa", "PEM", ""), "user_rsa_openssh": ("rsa", None, ""),
               "user_rsa_pkcs8": ("rsa", "PKCS8", SSH_KEY_PASSPHRASE),
               "user_ecdsa_pkcs8": ("ecdsa", "PKCS8", "")}
    for name, (kind, form, passphrase) in clients.items():
        form_args = ["-m", form] if form else []  # none: OpenSSH's own form
        run(["ssh-keygen", "-q", "-t", kind] + form_args + ["-N", passphrase, "-f",
             os.path.join(keys, name)])
    for kind in ("ecdsa", "ed25519"):
        run(["ssh-keygen", "-q", "-t", kind, "-N", SSH_KEY_PASSPHRASE, "-f",
             os.path.join(keys, "user_" + kind)])
    run(["ssh-keygen", "-q", "-t", "ecdsa", "-N", "", "-f", os.path.join(keys, "stranger")])
    with open(authorized, "w") as f:
        for name in list(clients) + ["user_ecdsa", "user_ed25519"]:
            f.write(open(os.path.join(keys, name + ".pub")).read())
            os.remove(os.path.join(keys, name + ".pub"))
    for name in os.listdir(keys):
        os.chmod(os.path.join(keys, name), 0o644 if name.endswith(".pub") else 0o600)
    os.chmod(authorized, 0o644)
    os.chmod(keys, 0o755)
    with open(os.path.join(root, "large.bin"), "wb") as f:
        f.write(random.Random(22).randbytes(LARGE_SIZE))
    os.chmod(os.path.join(root, "large.bin"), 0o666)
    values.update({"ssh_key_" + name[len("user_"):]: os.path.join(keys, name)
                   for name in clients})
    values.update(large_name="large.bin",
                  ssh_key_ecdsa=os.path.join(keys, "user_ecdsa"),
                  ssh_key_ed25519=os.path.join(keys, "user_ed25519"),
                  ssh_key_stranger=os.path.join(keys, "stranger"),
                  ssh_key_passphrase=SSH_KEY_PASSPHRASE, sftp_root=root)
    # The privilege separation account and folder sshd insists on.
    try:
        pwd.getpwnam("sshd")
    except KeyError:
        subprocess.run(["useradd", "--system", "--no-create-home", "--home-dir", "/run/sshd",
                        "--shell", "/usr/sbin/nologin", "sshd"],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    os.makedirs("/run/sshd", mode=0o755, exist_ok=True)
    sshd = os.path.join(ctx.bin, "usr", "sbin", "sshd")
    started = []
    for name, host_keys, kex in (("sshd", ("ecdsa", "rsa"), []),
                                 ("sshd-ed25519", ("ed25519",),
                                  ["KexAlgorithms curve25519-sha256"])):
        port = ctx.ports.one()
        conf = os.path.join(ctx.state, "conf", name + "_config")
        with open(conf, "w") as f:
            f.write("\n".join(
                ["Port %d" % port, "ListenAddress 127.0.0.1"] +
                ["HostKey " + os.path.join(keys, "host_" + kind) for kind in host_keys] + [
                    "PidFile " + os.path.join(ctx.run_dir, name + ".pid"),
                    "UsePAM no", "PasswordAuthentication yes", "PubkeyAuthentication yes",
                    "KbdInteractiveAuthentication no", "StrictModes no",
                    "AuthorizedKeysFile " + authorized,
                    "AllowUsers " + USER, "MaxStartups 50", "LogLevel VERBOSE",
                    "Subsystem sftp internal-sftp",
                    "ForceCommand internal-sftp -d " + root] + kex + [""]))
        run([sshd, "-t", "-f", conf])
        started.append((name, launch(ctx.state, name, [sshd, "-D", "-e", "-f", conf]), port))
    return started


def wait_until_banner(name, proc, port):
    deadline = time.time() + 20
    while time.time() < deadline:
        if proc.poll() is not None:
            raise RuntimeError(name + " exited")
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=2) as s:
                if s.recv(64).startswith(b"SSH-2.0-"):
                    return
        except OSError:
            pass
        time.sleep(0.1)
    raise RuntimeError(name + " sent no SSH banner")


# ---------------------------------------------------------------- start, stop

class Context:
    pass


def start(args):
    state = os.path.abspath(args.state)
    stop(args, quiet=True)
    if os.path.isdir(state):
        shutil.rmtree(state)
    for sub in ("logs", "conf", "certs", "empty", "run"):
        os.makedirs(os.path.join(state, sub))
        os.chmod(os.path.join(state, sub), 0o755)

    ctx = Context()
    ctx.state = state
    ctx.empty_dir = os.path.join(state, "empty")
    ctx.run_dir = os.path.join(state, "run")
    ctx.ports = Ports()
    try:
        ctx.bin = fetch(packages_dir(args))
        values = start_servers(ctx)
    except (RuntimeError, OSError, subprocess.SubprocessError) as e:
        print("ftp tls servers did not start:", e, "- see", os.path.join(state, "logs"),
              file=sys.stderr)
        stop(args, quiet=True)
        return 1
    tmp = os.path.join(state, "servers.txt.tmp")
    with open(tmp, "w", encoding="utf-8") as f:
        for key in sorted(values):
            f.write("%s=%s\n" % (key, values[key]))
    os.replace(tmp, os.path.join(state, "servers.txt"))
    print("ftp tls servers started; state in", os.path.join(state, "servers.txt"))
    return 0


def start_servers(ctx):
    """Starts every server; returns what servers.txt tells the clients."""
    state = ctx.state
    ctx.certs = make_certificates(os.path.join(state, "certs"))
    uid, gid = ensure_user()
    base, temporary = served_base(state, uid, gid)
    if temporary:
        with open(os.path.join(state, "temporary_roots"), "w") as f:
            f.write(base)
    values = {"host": "127.0.0.1", "user": USER, "password": PASSWORD,
              "ca_pem": os.path.join(state, "certs", "testca.pem"),
              "ca_der": os.path.join(state, "certs", "testca.der"),
              "sample_name": SAMPLE_NAME, "sample_size": str(SAMPLE_SIZE),
              "utf8_name": UTF8_NAME}
    for cert in CERTS:
        values["fingerprint_" + cert] = fingerprint(ctx.certs[cert][0])
    roots = {}
    for program in TLS_PROGRAMS + ("mixed", "plain", "sftp"):
        roots[program] = os.path.join(base, program)
        fill_root(roots[program], uid, gid)
        values[program + "_root"] = roots[program]

    procs = []

    def add(key, started):
        procs.append(started)
        values[key] = str(started[2])

    for cert in CERTS:
        add("vsftpd_%s_port" % cert, start_vsftpd(
            ctx, "vsftpd-" + cert, cert, ctx.ports.one(), roots["vsftpd"], True))
    add("vsftpd_noreuse_port", start_vsftpd(
        ctx, "vsftpd-noreuse", "self", ctx.ports.one(), roots["vsftpd"], True, False))
    users = proftpd_users(ctx, roots["proftpd"], uid, gid)
    for cert in CERTS:
        add("proftpd_%s_port" % cert, start_proftpd(
            ctx, "proftpd-" + cert, cert, ctx.ports.one(), users))
    add("proftpd_noreuse_port", start_proftpd(
        ctx, "proftpd-noreuse", "self", ctx.ports.one(), users, False))
    db = pureftpd_users(ctx, roots["pureftpd"], uid, gid)
    for cert in CERTS:
        add("pureftpd_%s_port" % cert, start_pureftpd(
            ctx, "pureftpd-" + cert, cert, ctx.ports.one(), db))
    add("mixed_port", start_vsftpd(
        ctx, "vsftpd-mixed", "self", ctx.ports.one(), roots["mixed"], False, False))
    add("plain_port", start_plain(ctx, ctx.ports.one(), roots["plain"]))
    sshd, sshd_ed25519 = start_sshd(ctx, values, roots["sftp"],
                                    os.path.join(base, "authorized_keys"))
    values["sftp_port"] = str(sshd[2])
    values["sftp_ed25519_port"] = str(sshd_ed25519[2])
    procs.append(start_hostile(ctx, values, sshd[2]))
    wait_until_greeting(procs)
    wait_until_banner(*sshd)
    wait_until_banner(*sshd_ed25519)
    return values


def group_alive(pgid):
    """True while a process of the group runs (zombies waiting for whoever
    adopted them do not count)."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[2]) == pgid and fields[0] != "Z":
            return True
    return False


def stop(args, quiet=False):
    state = os.path.abspath(args.state)
    pid_file = os.path.join(state, "pids")
    groups = []
    if os.path.exists(pid_file):
        for line in open(pid_file):
            name, pid = line.split()
            groups.append(int(pid))
    for pgid in groups:
        try:
            os.killpg(pgid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    deadline = time.time() + 5
    for pgid in groups:
        while time.time() < deadline:
            if not group_alive(pgid):
                break
            time.sleep(0.05)
        else:
            try:
                os.killpg(pgid, signal.SIGKILL)
            except ProcessLookupError:
                pass
    if os.path.exists(pid_file):
        os.remove(pid_file)
    marker = os.path.join(state, "temporary_roots")
    if os.path.exists(marker):
        shutil.rmtree(open(marker).read().strip(), ignore_errors=True)
        os.remove(marker)
    if not quiet:
        print("ftp tls servers stopped" if groups else "no ftp tls servers recorded in " + state)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("command", choices=("start", "stop", "check", "fetch", "serve-plain"))
    parser.add_argument("--state")
    parser.add_argument("--packages")
    parser.add_argument("--port", type=int, help=argparse.SUPPRESS)
    parser.add_argument("--passive", help=argparse.SUPPRESS)
    parser.add_argument("--root", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.command == "serve-plain":
        low, high = map(int, args.passive.split(":"))
        serve_plain(args.port, low, high, args.root)
        return 1
    if args.command == "fetch":
        if not (args.packages or args.state):
            parser.error("fetch needs --packages or --state")
        fetch(packages_dir(args))
        return 0
    if not args.state:
        parser.error("--state is required")
    if args.command == "start":
        return start(args)
    if args.command == "check":
        import tls_check
        return tls_check.check(os.path.abspath(args.state))
    return stop(args)


if __name__ == "__main__":
    sys.exit(main())

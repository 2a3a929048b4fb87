#!/usr/bin/python3
"""An FTP server that misbehaves on purpose, for the client's no-crash,
no-hang and no-redirect tests.

  hostile_ftp_server.py --cert PEM --key PEM --listen MODE:PORT [...] [--hold S]

Each --listen binds 127.0.0.1:PORT (0 picks a free one; `--ports FILE` then
records them as hostile_<mode>_port=N lines). Modes of a whole port, from
the first byte on:
  silent     accepts and says nothing
  garbage    sends binary junk and lines that are no FTP replies
  longline   a greeting of one 1 MiB line
  badtls     a proper greeting, then junk instead of a TLS handshake after
             234 to AUTH TLS
  login      a working server (AUTH TLS, PBSZ, PROT, USER/PASS, FEAT, EPSV,
             PASV, PORT, EPRT, SIZE, MLST, LIST, RETR, STOR, CWD, MKD, DELE,
             QUIT); the user name given at login picks what goes wrong next:
    garbage         every reply after the one to PASS is junk
    longline        every reply after the one to PASS is a 1 MiB line
    pasv-foreign    EPSV refused; PASV names 10.0.0.1 (the data port itself
                    listens on 127.0.0.1: a client that obeys the address
                    never connects, one that keeps to the control peer works)
    epsv-foreign    EPSV answers with 10.0.0.1 inside its reply
    drop-transfer   RETR stops after half the file and STOR after 64 KiB:
                    both connections are closed
    stall-transfer  RETR sends half the file, then nothing; STOR stops
                    reading after 64 KiB
    stall-reply     no reply to any command after PASS
    anything else   behaves
SSH modes, for the SFTP client:
  sshgarbage    binary junk instead of the SSH banner
  sshhuge       a banner, then a packet that claims to be 2 GiB long
  sshcut        relays to the SSH server of --ssh-upstream, and closes both
                connections once either direction has carried CUT_BYTES
  sshstall      relays the same way, then stops relaying (both stay open)
Any password is accepted. Every file reads as PAYLOAD_SIZE bytes of
payload(); uploads are read and dropped. The server never connects anywhere
but 127.0.0.1. Every connection ends by itself after --hold seconds (stalls,
silence) or at once when it has nothing more to say.
"""
import argparse
import os
import socket
import ssl
import sys
import threading
import time

PAYLOAD_SIZE = 256 * 1024
FOREIGN_HOST = "10.0.0.1"
LONG_LINE = b"220 " + b"x" * (1024 * 1024) + b"\r\n"
GARBAGE = (b"\x00\xff\xfe garbage \x1b[31m\r\nHELLO THERE\r\n2x0 not a code\r\n"
           b"\x80\x81\x82\x83" * 64 + b"\n\n\r\r999999999999999999999999 big\r\n")


# What the relaying SSH modes carry before they misbehave: more than a
# login, less than the files the tests move.
CUT_BYTES = 256 * 1024


def payload(size=PAYLOAD_SIZE):
    pattern = bytes((i * 7 + 3) & 0xFF for i in range(251))
    return (pattern * (size // len(pattern) + 1))[:size]


class Session:
    def __init__(self, sock, context, hold):
        self.sock = sock
        self.raw = sock
        self.context = context
        self.hold = hold
        self.deadline = time.time() + hold + 10
        self.user = ""
        self.behaviour = ""
        self.prot_private = False
        self.passive = None
        self.active = None
        self.rfile = b""

    # -- control connection

    def send(self, data):
        self.sock.sendall(data)

    def reply(self, text):
        if self.behaviour == "garbage":
            self.send(GARBAGE)
        elif self.behaviour == "longline":
            self.send(LONG_LINE)
        else:
            self.send(text.encode("utf-8") + b"\r\n")

    def read_line(self):
        while b"\n" not in self.rfile:
            if time.time() > self.deadline:
                return None
            chunk = self.sock.recv(4096)
            if not chunk or len(self.rfile) > 65536:
                return None
            self.rfile += chunk
        line, _, self.rfile = self.rfile.partition(b"\n")
        return line.rstrip(b"\r").decode("utf-8", "replace")

    def stall(self):
        end = time.time() + self.hold
        while time.time() < end:
            time.sleep(0.2)

    # -- data connection

    def open_passive(self):
        if self.passive:
            self.passive.close()
        self.passive = socket.socket()
        self.passive.bind(("127.0.0.1", 0))
        self.passive.listen(1)
        self.passive.settimeout(30)
        self.active = None
        return self.passive.getsockname()[1]

    def data_connection(self):
        if self.passive:
            conn, _ = self.passive.accept()
            self.passive.close()
            self.passive = None
        elif self.active:
            conn = socket.create_connection(self.active, timeout=30)
            self.active = None
        else:
            return None
        conn.settimeout(30)
        if self.prot_private:
            conn = self.context.wrap_socket(conn, server_side=True)
        return conn

    def set_active(self, host, port):
        if host != "127.0.0.1":
            self.reply("500 Active mode only to 127.0.0.1 here.")
            return
        if self.passive:
            self.passive.close()
            self.passive = None
        self.active = (host, port)
        self.reply("200 Active mode set.")

    def transfer(self, verb):
        self.reply("150 Opening data connection.")
        conn = self.data_connection()
        if conn is None:
            self.reply("425 Use PORT or PASV first.")
            return True
        with conn:
            if verb == "RETR":
                data = payload()
                if self.behaviour in ("drop-transfer", "stall-transfer"):
                    conn.sendall(data[:len(data) // 2])
                    if self.behaviour == "stall-transfer":
                        self.stall()
                    return False
                conn.sendall(data)
            elif verb == "STOR":
                received = 0
                while True:
                    chunk = conn.recv(65536)
                    if not chunk:
                        break
                    received += len(chunk)
                    if self.behaviour in ("drop-transfer", "stall-transfer") \
                            and received >= 65536:
                        if self.behaviour == "stall-transfer":
                            self.stall()
                        return False
            else:
                conn.sendall(b"-rw-r--r-- 1 ftp ftp %d Dec 09 12:00 file.bin\r\n" % PAYLOAD_SIZE)
            if isinstance(conn, ssl.SSLSocket):
                try:
                    conn.unwrap()
                except (OSError, ValueError):
                    pass
        self.reply("226 Transfer complete.")
        return True

    # -- commands

    def command(self, line):
        verb, _, arg = line.partition(" ")
        verb = verb.upper()
        if self.behaviour == "stall-reply":
            self.stall()
            return False
        if verb == "AUTH" and arg.upper() in ("TLS", "TLS-C", "SSL"):
            self.send(b"234 Proceed with TLS.\r\n")
            if self.mode == "badtls":
                self.raw.recv(65536)  # the client's hello
                self.send(GARBAGE)
                return False
            self.sock = self.context.wrap_socket(self.raw, server_side=True)
            self.rfile = b""
        elif verb == "PBSZ":
            self.reply("200 PBSZ=0")
        elif verb == "PROT":
            self.prot_private = arg.upper() == "P"
            self.reply("200 Protection level set.")
        elif verb == "FEAT":
            self.reply("211-Features:\r\n AUTH TLS\r\n PBSZ\r\n PROT\r\n UTF8\r\n EPSV\r\n"
                       " MLST type*;size*;\r\n SIZE\r\n211 End")
        elif verb == "USER":
            self.user = arg
            self.reply("331 Password please.")
        elif verb == "PASS":
            self.reply("230 Logged in.")
            self.behaviour = self.user
        elif verb in ("OPTS", "TYPE", "MODE", "STRU", "NOOP"):
            self.reply("200 OK.")
        elif verb == "SYST":
            self.reply("215 UNIX Type: L8")
        elif verb == "PWD":
            self.reply('257 "/" is the current directory.')
        elif verb in ("CWD", "DELE", "RMD"):
            self.reply("250 OK.")
        elif verb == "MKD":
            self.reply('257 "%s" created.' % arg)
        elif verb == "SIZE":
            self.reply("213 %d" % PAYLOAD_SIZE)
        elif verb == "MLST":
            self.reply("250-Listing %s\r\n type=file;size=%d; %s\r\n250 End." % (
                arg, PAYLOAD_SIZE, arg))
        elif verb == "EPSV":
            if self.behaviour == "pasv-foreign":
                self.reply("502 EPSV not implemented.")
                return True
            port = self.open_passive()
            host = FOREIGN_HOST if self.behaviour == "epsv-foreign" else ""
            self.reply("229 Entering Extended Passive Mode (|1|%s|%d|)" % (host, port)
                       if host else "229 Entering Extended Passive Mode (|||%d|)" % port)
        elif verb == "PASV":
            port = self.open_passive()
            host = FOREIGN_HOST if self.behaviour in ("pasv-foreign", "epsv-foreign") \
                else "127.0.0.1"
            self.reply("227 Entering Passive Mode (%s,%d,%d)." % (
                host.replace(".", ","), port >> 8, port & 0xFF))
        elif verb == "PORT":
            parts = arg.split(",")
            if len(parts) != 6 or not all(p.strip().isdigit() for p in parts):
                self.reply("501 Bad PORT.")
                return True
            self.set_active(".".join(parts[:4]), int(parts[4]) * 256 + int(parts[5]))
        elif verb == "EPRT":
            fields = arg[1:].split(arg[:1]) if arg else []
            if len(fields) < 3 or fields[0] != "1" or not fields[2].isdigit():
                self.reply("522 Only |1|127.0.0.1|port| here.")
                return True
            self.set_active(fields[1], int(fields[2]))
        elif verb in ("RETR", "STOR", "LIST", "NLST", "MLSD"):
            return self.transfer(verb)
        elif verb == "QUIT":
            self.reply("221 Bye.")
            return False
        else:
            self.reply("502 Not implemented.")
        return True

    def run(self, mode):
        self.mode = mode
        self.sock.settimeout(self.hold + 5)
        if mode == "silent":
            self.stall()
            return
        if mode == "garbage":
            self.send(GARBAGE * 16)
            return
        if mode == "longline":
            self.send(LONG_LINE)
            self.stall()
            return
        if mode == "sshgarbage":
            self.send(GARBAGE * 16)
            self.stall()
            return
        if mode == "sshhuge":
            self.send(b"SSH-2.0-OpenSSH_9.2p1 Velmor-hostile\r\n")
            self.sock.recv(65536)  # the client's banner and key exchange start
            self.send(b"\x7f\xff\xff\xf0\x04" + b"\x00" * 4096)
            self.stall()
            return
        if mode in ("sshcut", "sshstall"):
            self.relay(mode == "sshcut")
            return
        self.send(b"220 Velmor hostile test server ready.\r\n")
        while True:
            line = self.read_line()
            if line is None or not self.command(line):
                return


def relay_to_upstream(session, cut):
    """Relays between the client and the SSH server until CUT_BYTES have
    passed one way; then closes both (cut) or stops relaying (stall)."""
    upstream = socket.create_connection(("127.0.0.1", UPSTREAM_PORT), timeout=10)
    upstream.settimeout(None)
    carried = [0, 0]
    done = threading.Event()

    def pump(source, target, index):
        try:
            while not done.is_set():
                data = source.recv(65536)
                if not data:
                    break
                carried[index] += len(data)
                if carried[index] > CUT_BYTES:
                    break
                target.sendall(data)
        except OSError:
            pass
        done.set()

    threads = [threading.Thread(target=pump, args=(session.sock, upstream, 0), daemon=True),
               threading.Thread(target=pump, args=(upstream, session.sock, 1), daemon=True)]
    for thread in threads:
        thread.start()
    done.wait()
    if not cut:
        time.sleep(session.hold)
    upstream.close()


Session.relay = lambda self, cut: relay_to_upstream(self, cut)
UPSTREAM_PORT = 0


def serve_connection(conn, mode, context, hold):
    session = Session(conn, context, hold)
    try:
        session.run(mode)
    except (OSError, ssl.SSLError, ValueError):
        pass
    finally:
        for sock in (session.passive, session.sock, conn):
            if sock is not None:
                try:
                    sock.close()
                except OSError:
                    pass


def accept_loop(listener, mode, context, hold):
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve_connection, args=(conn, mode, context, hold),
                         daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--listen", action="append", required=True, metavar="MODE:PORT")
    parser.add_argument("--ports", help="file to write the bound ports to")
    parser.add_argument("--ssh-upstream", type=int, default=0,
                        help="the SSH server port the relaying modes forward to")
    parser.add_argument("--hold", type=float, default=75.0,
                        help="seconds a silent or stalled connection lasts")
    args = parser.parse_args()

    global UPSTREAM_PORT
    UPSTREAM_PORT = args.ssh_upstream
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(args.cert, args.key)
    listeners = []
    for item in args.listen:
        mode, _, port = item.partition(":")
        if mode not in ("silent", "garbage", "longline", "badtls", "login", "sshgarbage",
                        "sshhuge", "sshcut", "sshstall"):
            parser.error("unknown mode " + mode)
        listener = socket.socket()
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", int(port or 0)))
        listener.listen(16)
        listeners.append((listener, mode))
    if args.ports:
        tmp = args.ports + ".tmp"
        with open(tmp, "w") as f:
            for listener, mode in listeners:
                f.write("hostile_%s_port=%d\n" % (mode, listener.getsockname()[1]))
        os.replace(tmp, args.ports)
    threads = [threading.Thread(target=accept_loop, args=(listener, mode, context, args.hold),
                                daemon=True) for listener, mode in listeners]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Local FTP server for the OrvFtp tests and the tour.

  ftp_test_server.py start --state DIR [--root DIR] [--samples]
  ftp_test_server.py stop --state DIR

`start` serves DIR/root (or --root) on 127.0.0.1 on a free port, with an
anonymous user and the user "tester" with password "secret", both allowed to
read and write. It writes the port to DIR/port and its process id to DIR/pid,
returns once the server listens, and keeps serving in the background. With
--samples the root is emptied and filled with the download test files.
`stop` ends the server started with the same DIR.
"""
import argparse
import os
import random
import shutil
import signal
import sys
import time

USER = "tester"
PASSWORD = "secret"

# name -> size; contents are fixed pseudo-random bytes
SAMPLE_FILES = {
    "empty.bin": 0,
    "ten_thousand.bin": 10000,
    "exact_32m.bin": 32 * 1024 * 1024,
    "over_32m.bin": 32 * 1024 * 1024 + 1,
    "slow.bin": 400 * 1024,
    "with space.bin": 5000,
}


def fill_samples(root):
    if os.path.isdir(root):
        shutil.rmtree(root)
    os.makedirs(os.path.join(root, "sub"))
    rng = random.Random(20261209)
    for name, size in SAMPLE_FILES.items():
        with open(os.path.join(root, name), "wb") as f:
            f.write(rng.randbytes(size))
    with open(os.path.join(root, "sub", "inner.txt"), "wb") as f:
        f.write(b"inner file\r\n")


def serve(root, state):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer

    authorizer = DummyAuthorizer()
    authorizer.add_user(USER, PASSWORD, root, perm="elradfmwMT")
    authorizer.add_anonymous(root, perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.passive_ports = None
    # Restarts show in the log, with the offset asked for.
    handler.log_cmds_list = list(FTPHandler.log_cmds_list) + ["REST"]
    server = FTPServer(("127.0.0.1", 0), handler)
    port = server.socket.getsockname()[1]
    tmp = os.path.join(state, "port.tmp")
    with open(tmp, "w") as f:
        f.write(str(port))
    os.replace(tmp, os.path.join(state, "port"))
    server.serve_forever()


def start(args):
    state = os.path.abspath(args.state)
    root = os.path.abspath(args.root or os.path.join(state, "root"))
    os.makedirs(state, exist_ok=True)
    stop(args, quiet=True)
    for stale in ("port", "pid"):
        if os.path.exists(os.path.join(state, stale)):
            os.remove(os.path.join(state, stale))
    if args.samples:
        fill_samples(root)
    os.makedirs(root, exist_ok=True)

    child = os.fork()
    if child == 0:
        os.setsid()
        log = os.open(os.path.join(state, "server.log"),
                      os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        devnull = os.open(os.devnull, os.O_RDONLY)
        os.dup2(devnull, 0)
        os.dup2(log, 1)
        os.dup2(log, 2)
        try:
            serve(root, state)
        finally:
            os._exit(1)
    with open(os.path.join(state, "pid"), "w") as f:
        f.write(str(child))
    deadline = time.time() + 20
    while time.time() < deadline:
        if os.path.exists(os.path.join(state, "port")):
            print("ftp test server on port",
                  open(os.path.join(state, "port")).read(), "serving", root)
            return 0
        finished, _ = os.waitpid(child, os.WNOHANG)
        if finished:
            break
        time.sleep(0.05)
    print("ftp test server did not start; see", os.path.join(state, "server.log"),
          file=sys.stderr)
    return 1


def stop(args, quiet=False):
    pid_file = os.path.join(os.path.abspath(args.state), "pid")
    if not os.path.exists(pid_file):
        if not quiet:
            print("no ftp test server recorded in", args.state)
        return 0
    pid = int(open(pid_file).read().strip())
    try:
        os.kill(pid, signal.SIGTERM)
        for _ in range(100):
            os.kill(pid, 0)
            time.sleep(0.05)
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    os.remove(pid_file)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("command", choices=("start", "stop"))
    parser.add_argument("--state", required=True)
    parser.add_argument("--root")
    parser.add_argument("--samples", action="store_true")
    args = parser.parse_args()
    return start(args) if args.command == "start" else stop(args)


if __name__ == "__main__":
    sys.exit(main())

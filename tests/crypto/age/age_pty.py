#!/usr/bin/env python3
"""age_pty.py AGE_ARGS...: runs the age command line tool on a pseudo-terminal, answering each
passphrase prompt with $AGE_TEST_PASSWORD; exits with the tool's exit code."""
import os
import pty
import sys

password = os.environ["AGE_TEST_PASSWORD"].encode() + b"\n"
pid, fd = pty.fork()
if pid == 0:
    os.execv("/usr/bin/age", ["age"] + sys.argv[1:])
seen = b""
while True:
    try:
        chunk = os.read(fd, 1024)
    except OSError:
        break
    if not chunk:
        break
    seen += chunk
    # Each prompt ends in a colon and a space; answer it once.
    while b"passphrase" in seen.lower() and seen.rstrip().endswith(b":"):
        os.write(fd, password)
        seen = b""
_, status = os.waitpid(pid, 0)
sys.exit(os.waitstatus_to_exitcode(status))

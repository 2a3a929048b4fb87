#!/usr/bin/python3
"""OrvCrypto's age files through the registered component against the age tools, one table a
direction: what EncryptFile writes (recipient or password, binary or armored, sizes around the
64 KiB chunk) is read by `age -d` byte for byte, and what `age -e` writes (to a recipient, the
user's own recipient or a password) DecryptFile reads back. Then a table of damaged files and
wrong keys: each its code, the existing target unchanged and no temporary file left.

usage: age_com_interop.py WORK_DIR JOBS_SCRIPT   (WINE and the Wine prefix from the environment)
"""
import glob
import os
import random
import shutil
import subprocess
import sys

WORK, JOBS_SCRIPT = os.path.abspath(sys.argv[1]), sys.argv[2]
WINE = os.environ.get("WINE", "wine")
PTY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "age", "age_pty.py")
PASSWORD = "Пароль age 1"
CHUNK = 64 * 1024
SIZES = [0, 1, CHUNK - 1, CHUNK, CHUNK + 1, 5 << 20]
KEEP = b"the target as it stood\r\n"

failures = []


def check(cond, message):
    if not cond:
        failures.append(message)
        print("FAIL:", message)


def z(name):
    return os.path.join(WORK, name)


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def read(name):
    """The file's bytes; none for a file not there (age -o makes no file for empty output)."""
    if not os.path.exists(z(name)):
        return b""
    with open(z(name), "rb") as f:
        return f.read()


def write(name, data):
    with open(z(name), "wb") as f:
        f.write(data)


def age(*args, password=None):
    """The age tool's exit code; a password is typed on a pseudo-terminal."""
    if password is None:
        return subprocess.run(["age", *args], capture_output=True).returncode
    env = dict(os.environ, AGE_TEST_PASSWORD=password)
    return subprocess.run(["python3", PTY, *args], env=env, capture_output=True).returncode


def run_jobs(jobs):
    """Runs the jobs (lists of fields; paths in WORK given as plain names) in one script."""
    fields = lambda job: [winpath(z(f)) if i > 0 and job[0] in PATH_JOBS and f else f
                          for i, f in enumerate(job)]
    with open(z("jobs.txt"), "w", encoding="utf-16") as f:
        f.write("".join("\t".join(fields(job)) + "\r\n" for job in jobs))
    run = subprocess.run([WINE, "cscript", "//nologo", JOBS_SCRIPT, winpath(z("jobs.txt")),
                          winpath(z("results.txt"))], capture_output=True, text=True)
    check(run.returncode == 0, f"cscript: {run.stdout[-300:]} {run.stderr[-300:]}")
    with open(z("results.txt"), encoding="ascii") as f:
        results = f.read().split()
    check(len(results) == len(jobs), f"{len(results)} results for {len(jobs)} jobs")
    return results + ["missing"] * (len(jobs) - len(results))


PATH_JOBS = {"recipients", "identities", "enc", "dec", "user"}


def expect(jobs):
    """Runs the jobs, each of them (job, expected result, what)."""
    for (job, want, what), got in zip(jobs, run_jobs([j for j, _, _ in jobs])):
        check(got == str(want), f"{what}: {' '.join(job[:1])} gave {got}, not {want}")


def payload_start(data):
    """The offset of the first chunk: after the header's MAC line and the 16-byte nonce."""
    return data.index(b"\n", data.index(b"\n--- ") + 1) + 1 + 16


def flip(data, at):
    return data[:at] + bytes([data[at] ^ 0x01]) + data[at + 1:]


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    for name in ("ours", "foreign"):
        subprocess.run(["age-keygen", "-o", z(name + ".key")], check=True, capture_output=True)
        subprocess.run(["age-keygen", "-y", "-o", z(name + ".pub"), z(name + ".key")], check=True)
    with open(z("ours.pub")) as f:
        recipient = f.read().strip()
    write("recipients.txt", f"# ours\n\n{recipient}\n".encode())
    rng = random.Random(30)
    for size in SIZES:
        write(f"plain{size}", rng.randbytes(size))

    # Ours -> age -d: (key, armor, size); the scrypt rows cost a second each, so fewer.
    rows = [("r", i % 2, size) for i, size in enumerate(SIZES)]
    rows += [("p", 1, 0), ("p", 0, CHUNK), ("p", 1, 5 << 20)]
    jobs = [(["format", "1"], "ok", "format"), (["user", "user.pub"], "ok", "user recipient")]
    for key, armor, size in rows:
        jobs.append((["armor", str(armor)], "ok", "armor"))
        if key == "r":
            jobs.append((["recipients", "recipients.txt"], 0, "recipients"))
        else:
            jobs += [(["recipients", ""], 0, "clear"), (["password", PASSWORD], "ok", "password")]
        jobs.append((["enc", f"plain{size}", f"ours-{key}{armor}-{size}.age"], 0, "encrypt"))
        if key == "p":
            jobs.append((["password", ""], "ok", "password"))
    # Neither recipients nor a password: the user's own recipient.
    jobs += [(["recipients", ""], 0, "clear"), (["enc", f"plain{CHUNK + 1}", "ours-u.age"], 0,
                                                 "encrypt to the user")]
    expect(jobs)
    for key, armor, size in rows:
        name = f"ours-{key}{armor}-{size}.age"
        if not os.path.exists(z(name)):
            continue
        armored = read(name).startswith(b"-----BEGIN AGE ENCRYPTED FILE-----")
        check(armored == bool(armor), f"{name}: armor {armored}")
        code = (age("-d", "-i", z("ours.key"), "-o", z(name + ".out"), z(name)) if key == "r" else
                age("-d", "-o", z(name + ".out"), z(name), password=PASSWORD))
        check(code == 0 and read(name + ".out") == read(f"plain{size}"), f"age -d {name}: {code}")

    # age -e -> DecryptFile: to our recipient, to the user's own one and with a password.
    with open(z("user.pub")) as f:
        user = f.read().strip()
    check(user.startswith("age1") and len(user) == 62, f"user recipient {user!r}")
    theirs = [("r", 1 - i % 2, size) for i, size in enumerate(SIZES)]
    theirs += [("p", 0, 1), ("p", 1, CHUNK + 1), ("u", 1, CHUNK - 1), ("u", 0, 5 << 20)]
    for key, armor, size in theirs:
        name = f"theirs-{key}{armor}-{size}.age"
        args = ["-a"] * armor + ["-o", z(name), z(f"plain{size}")]
        code = (age("-p", *args, password=PASSWORD) if key == "p" else
                age("-r", recipient if key == "r" else user, *args))
        check(code == 0, f"age -e {name}: {code}")

    # The damage table, on a file of four chunks to our recipient.
    write("plain4", rng.randbytes(3 * CHUNK + 100))
    age("-r", recipient, "-o", z("good.age"), z("plain4"))
    good = read("good.age")
    body = payload_start(good)
    sealed = CHUNK + 16
    mac = good.index(b"\n--- ") + 5
    damaged = {
        "mac": good[:mac] + (b"B" if good[mac:mac + 1] == b"A" else b"A") + good[mac + 1:],
        "chunk": flip(good, body + 100),
        "last": flip(good, len(good) - 5),
        "dropped": good[:body + 3 * sealed],
        "swapped": good[:body] + good[body + sealed:body + 2 * sealed] + good[body:body + sealed]
        + good[body + 2 * sealed:],
        "headeronly": good[:body],
        "empty": b"",
    }
    for name, data in damaged.items():
        write(f"bad-{name}.age", data)
    write("legacy.plain", rng.randbytes(5000))

    jobs = [(["format", "1"], "ok", "format"), (["identities", "ours.key"], 0, "identities")]
    for key, armor, size in theirs:
        name = f"theirs-{key}{armor}-{size}.age"
        if key == "p":
            jobs.append((["password", PASSWORD], "ok", "password"))
        jobs.append((["dec", name, name + ".out"], 0, f"decrypt {name}"))
        if key == "p":
            jobs.append((["password", ""], "ok", "password"))
    jobs.append((["dec", "ours-u.age", "ours-u.out"], 0, "decrypt our file to the user"))
    # Each failure over an existing target.
    failing = [(f"bad-{name}.age", 56 if name == "empty" else 87) for name in damaged]
    failing += [(f"theirs-p1-{CHUNK + 1}.age", 86), ("good.age", 86)]
    for i, (name, code) in enumerate(failing):
        write(f"kept{i}", KEEP)
        if name == "good.age":
            jobs.append((["identities", "foreign.key"], 0, "foreign identity"))
        if name.startswith("theirs-p"):
            jobs.append((["password", "wrong"], "ok", "wrong password"))
        jobs.append((["dec", name, f"kept{i}"], code, f"decrypt {name}"))
    # Today's format: a wrong password leaves the target too.
    write("kept-legacy", KEEP)
    jobs += [(["format", "0"], "ok", "format"), (["password", "right"], "ok", "password"),
             (["enc", "legacy.plain", "legacy.enc"], 0, "encrypt today's format"),
             (["password", "wrong"], "ok", "password"),
             (["dec", "legacy.enc", "kept-legacy"], 56, "today's format, wrong password"),
             (["identities", "ours.key"], 0, "identities"),
             (["dec", "theirs-r0-1.age", "format0.out"], 0, "an age file whatever Format says")]
    expect(jobs)

    for key, armor, size in theirs:
        name = f"theirs-{key}{armor}-{size}.age"
        check(read(name + ".out") == read(f"plain{size}"), f"DecryptFile {name}: other bytes")
    check(read("ours-u.out") == read(f"plain{CHUNK + 1}"), "the user's file: other bytes")
    for i in range(len(failing)):
        check(read(f"kept{i}") == KEEP, f"{failing[i][0]}: the target changed")
    check(read("kept-legacy") == KEEP, "today's format: the target changed")
    check(read("format0.out") == read("plain1"), "an age file with Format 0: other bytes")
    left = glob.glob(z("*.tmp"))
    check(not left, f"temporary files left: {left}")
    if failures:
        sys.exit(1)
    print(f"age interop: {len(rows)} files read by age, {len(theirs)} of age's read, "
          f"{len(failing) + 1} failures kept the target")


if __name__ == "__main__":
    main()

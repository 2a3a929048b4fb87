#!/usr/bin/python3
"""Archives written by the engine's Pack job must satisfy Info-ZIP unzip, 7-Zip and
Python's zipfile: integrity, the same bytes back, and the same modification times.
AES-256 archives (which unzip cannot decrypt) go to 7-Zip, bsdtar and the engine's own
Unpack instead, and zipfile checks their records.

usage: interop_check.py WINE PACK_TOOL_EXE WORK_DIR UNPACK_TOOL_EXE
Runs under the caller's TZ; Wine and Python must see the same zone.
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import time
import zipfile
import zlib

from peer_check import check, failures, peers_accept, text_bytes, winpath

WINE, TOOL, WORK = sys.argv[1], sys.argv[2], os.path.abspath(sys.argv[3])
UNPACK_TOOL = sys.argv[4]
PASSWORD = "Pa55 w0rd!"


def noise_bytes(size, seed):
    return random.Random(seed).randbytes(size)


# entry name (as given to Pack) -> (relative source path, content, mtime)
SOURCES = [
    ("text.csv", "text.csv", text_bytes(300_000, 1), 1565157904),
    ("sub\\deep\\data.xml", "sub/deep/data.xml", text_bytes(70_000, 2), 1600000000),
    ("blob.bin", "blob.bin", noise_bytes(100_000, 3), 1500000001),  # odd second
    ("nested/inner.zip", "inner.zip", noise_bytes(20_000, 4), 1400000000),
    ("empty.txt", "empty.txt", b"", 1300000000),
    ("tiny.txt", "tiny.txt", b"0123456789", 1300000002),  # AES keeps no CRC-32 below 20 bytes
    ("big\\log.txt", "big/log.txt", text_bytes(3_000_000, 5) + noise_bytes(1_500_000, 6),
     1600000004),
]


def make_sources(root):
    for _, rel, data, mtime in SOURCES:
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (mtime, mtime))


def pack(archive, password, root, aes=False):
    args = [WINE, TOOL, *(["--aes"] if aes else []), winpath(archive), password or "-"]
    for name, rel, _, _ in SOURCES:
        args += [name, winpath(os.path.join(root, rel))]
    run = subprocess.run(args, capture_output=True, text=True)
    check(run.stdout.strip().endswith("0") and run.returncode == 0,
          f"pack {archive}: rc {run.returncode} out {run.stdout!r} err {run.stderr[-300:]!r}")


def stored_name(name):
    return name.replace("\\", "/")


def compare_tree(out_dir, label, exact_mtime):
    for name, _, data, mtime in SOURCES:
        path = os.path.join(out_dir, stored_name(name))
        if not os.path.exists(path):
            check(False, f"{label}: {name} not extracted")
            continue
        with open(path, "rb") as f:
            check(f.read() == data, f"{label}: {name} bytes differ")
        got = int(os.stat(path).st_mtime)
        if exact_mtime:
            check(got == mtime, f"{label}: {name} mtime {got} != {mtime}")
        else:
            check(abs(got - mtime) <= 2, f"{label}: {name} mtime {got} !~ {mtime}")


def check_archive(archive, password, work):
    label = os.path.basename(archive)
    peers_accept(archive, password)
    pw = ["-P", password] if password else []
    pw7 = ["-p" + password] if password else []
    with zipfile.ZipFile(archive) as zf:
        if password:
            zf.setpassword(password.encode())
        infos = zf.infolist()
        check([i.filename for i in infos] == [stored_name(n) for n, *_ in SOURCES],
              f"{label}: names {[i.filename for i in infos]}")
        for info, (name, _, data, mtime) in zip(infos, SOURCES):
            check(zf.read(info) == data, f"{label}: zipfile read of {name} differs")
            local = time.localtime(mtime)
            want = local[:5] + (local.tm_sec // 2 * 2,)
            check(info.date_time == want, f"{label}: {name} DOS time {info.date_time} != {want}")
            suffix = os.path.splitext(info.filename)[1].lower()
            check(info.compress_type == (0 if suffix == ".zip" else 8), f"{label}: {name} method")
            check(bool(info.flag_bits & 1) == bool(password), f"{label}: {name} flags {info.flag_bits:#x}")

    out = os.path.join(work, label + ".unzip")
    run = subprocess.run(["unzip", "-q", "-o", *pw, archive, "-d", out], capture_output=True, text=True)
    check(run.returncode == 0, f"{label}: unzip rc {run.returncode}")
    compare_tree(out, label + " via unzip", exact_mtime=True)

    out = os.path.join(work, label + ".7z")
    run = subprocess.run(["7z", "x", "-y", *pw7, "-o" + out, archive], capture_output=True, text=True)
    check(run.returncode == 0, f"{label}: 7z x rc {run.returncode}")
    compare_tree(out, label + " via 7z", exact_mtime=False)


def aes_block(info):
    """(version, vendor, strength, method) of the 0x9901 block, or None."""
    extra = info.extra
    while len(extra) >= 4:
        tag, size = struct.unpack("<HH", extra[:4])
        if tag == 0x9901 and size == 7:
            return struct.unpack("<H2sBH", extra[4:11])
        extra = extra[4 + size:]
    return None


def check_aes_archive(archive, work, wrong_password_too):
    label = os.path.basename(archive)
    with zipfile.ZipFile(archive) as zf:
        for info, (name, _, data, _) in zip(zf.infolist(), SOURCES):
            ae = 2 if len(data) < 20 else 1
            got = (info.filename, info.compress_type, info.flag_bits & 9, info.extract_version,
                   aes_block(info), info.CRC)
            want = (stored_name(name), 99, 1, 51, (ae, b"AE", 3, 0 if name.endswith(".zip") else 8),
                    zlib.crc32(data) if ae == 1 else 0)
            check(got == want, f"{label}: {name} records {got} != {want}")
    readers = {"7z": ["7z", "x", "-y", "-p" + PASSWORD, "-o{out}", archive],
               "bsdtar": ["bsdtar", "-x", "--passphrase", PASSWORD, "-f", archive, "-C", "{out}"],
               "Unpack": [WINE, UNPACK_TOOL, winpath(archive), "{winout}", PASSWORD]}
    for reader, args in readers.items():
        out = os.path.join(work, f"{label}.{reader}")
        os.makedirs(out)
        run = subprocess.run([a.format(out=out, winout=winpath(out)) for a in args],
                             capture_output=True, text=True)
        check(run.returncode == 0 and (reader != "Unpack" or run.stdout.split()[-1:] == ["0"]),
              f"{label}: {reader} failed: {run.stdout[-300:]} {run.stderr[-300:]}")
        compare_tree(out, f"{label} via {reader}", exact_mtime=False)
    if wrong_password_too:
        out = os.path.join(work, label + ".wrong")
        os.makedirs(out)
        seven = subprocess.run(["7z", "t", "-pnot-it", archive], capture_output=True)
        ours = subprocess.run([WINE, UNPACK_TOOL, winpath(archive), winpath(out), "not-it"],
                              capture_output=True, text=True)
        check(seven.returncode != 0 and ours.stdout.split()[-1:] == ["55"],
              f"{label}: a wrong password was taken: Unpack {ours.stdout!r}")


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    src = os.path.join(WORK, "src")
    os.makedirs(src)
    make_sources(src)
    # Packed on one thread and on several: the peers read both alike.
    for threads in ("1", "4"):
        os.environ["VELMOR_PACK_THREADS"] = threads
        for password in (None, PASSWORD):
            archive = os.path.join(WORK, f"{'encrypted' if password else 'plain'}-{threads}.zip")
            pack(archive, password, src)
            if os.path.exists(archive):
                check_archive(archive, password, WORK)
        archive = os.path.join(WORK, f"aes-{threads}.zip")
        pack(archive, PASSWORD, src, aes=True)
        if os.path.exists(archive):
            check_aes_archive(archive, WORK, wrong_password_too=threads == "1")
    if failures:
        print(f"{len(failures)} interop failure(s) under TZ={os.environ.get('TZ')}")
        return 1
    print(f"interop ok under TZ={os.environ.get('TZ')}")
    shutil.rmtree(WORK, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

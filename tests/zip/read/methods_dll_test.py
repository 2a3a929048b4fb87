#!/usr/bin/python3
"""Entries of every method other tools write, read through the registered component under Wine:
methods_dll_test.py WORK SCRIPT (WINE names the wine command; run-script-test.sh runs SCRIPT).

7-Zip's Deflate64, BZip2, LZMA and PPMd archives, plain, under ZipCrypto and under AES-256;
Python's zipfile with BZIP2 and LZMA; the zstd and xz tools' output in records written here
(stored records whose method, CRC and size are then set). Each archive is unpacked whole,
tested and picked from; every file must equal its source, except PPMd's, which give the code
of an unreadable entry and leave nothing behind. Add and Remove on a copy keep the other
entries as they are, which 7-Zip then tests."""
import os
import shutil
import struct
import subprocess
import sys
import zipfile
import zlib

from interop_test import PASSWORD, winpath

GENERAL_ERROR = 100  # what an entry of a method not read gives


def sources():
    prose = "".join(f"Line {i}: the quick brown fox jumps over the lazy dog {i * 7919 % 1000}\n"
                    for i in range(3000)).encode()
    x, noise = 2463534242, bytearray()
    for _ in range(70000):  # past Deflate64's 64 KiB window
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        noise.append(x >> 28)
    return {"prose.txt": prose * 3, "noise.bin": bytes(noise), "empty.txt": b""}


def wrapped(path, folder, names, tool, method):
    """The tool's output for each file of folder named (relative, "/") in a record of the
    method: written as stored records, then given the method, the CRC-32 and the size."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
        for name in names:
            packed = subprocess.run([*tool, "-c", os.path.join(folder, name)], check=True,
                                    stdout=subprocess.PIPE).stdout
            z.writestr(name, packed)
    data = bytearray(open(path, "rb").read())
    with zipfile.ZipFile(path) as z:
        infos = z.infolist()
    end = data.rindex(b"PK\x05\x06")
    central = struct.unpack_from("<I", data, end + 16)[0]
    for info in infos:
        source = open(os.path.join(folder, info.filename), "rb").read()
        crc, size = zlib.crc32(source), len(source)
        for at, method_at, crc_at, size_at in ((info.header_offset, 8, 14, 22),
                                               (central, 10, 16, 24)):
            struct.pack_into("<H", data, at + method_at, method)
            struct.pack_into("<I", data, at + crc_at, crc)
            struct.pack_into("<I", data, at + size_at, size)
        central += 46 + sum(struct.unpack_from("<HHH", data, central + 28))
    open(path, "wb").write(data)


def main():
    work, script = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    made = os.path.join(work, "archives")
    os.makedirs(made)
    src = sources()
    for name, data in src.items():
        open(os.path.join(made, name), "wb").write(data)
    names = sorted(src)
    rows = []  # (archive, password, readable)

    def sevenzip(method, cipher=""):
        path = os.path.join(made, f"7z-{method}{cipher}.zip")
        secret = ["-p" + PASSWORD, "-mem=" + cipher] if cipher else []
        subprocess.run(["7z", "a", "-tzip", "-bd", "-bso0", "-mm=" + method, *secret, path, *names],
                       cwd=made, check=True)
        rows.append((path, PASSWORD if cipher else None, method != "PPMd"))

    for method in ("Deflate64", "BZip2", "LZMA", "PPMd"):
        for cipher in ("", "ZipCrypto", "AES256"):
            sevenzip(method, cipher)
    for method in ("ZIP_BZIP2", "ZIP_LZMA"):
        path = os.path.join(made, f"python-{method}.zip")
        with zipfile.ZipFile(path, "w", getattr(zipfile, method)) as z:
            for name in names:
                z.writestr(name, src[name])
        rows.append((path, None, True))
    for tool, method in ((["zstd", "-q", "-19"], 93), (["zstd", "-q"], 20), (["xz"], 95)):
        path = os.path.join(made, f"{tool[0]}-{method}.zip")
        wrapped(path, made, names, tool, method)
        rows.append((path, None, True))

    out = os.path.join(work, "out")
    args = [winpath(out)]
    for path, password, _ in rows:
        args += [winpath(path), password or "-", "prose.txt"]
    runner = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts",
                          "run-script-test.sh")
    lines = subprocess.run([runner, winpath(script), *args], check=True,
                           stdout=subprocess.PIPE).stdout.decode().split()
    results = {int(lines[i]): lines[i + 1:i + 6] for i in range(0, len(lines), 6)}
    failures = []
    for index, (path, password, readable) in enumerate(rows):
        what = os.path.basename(path)
        codes = [int(c) for c in results.get(index, ["-1"] * 5)]
        want = 0 if readable else GENERAL_ERROR
        if codes != [want] * 3 + [0, 0]:
            failures.append(f"{what}: Unpack, Test, UnpackFiles, Add, Remove gave {codes}")
            continue
        # The copied entries as they were: 7-Zip tests the copy clean where it tests the
        # original so (it reads no method 20, nor the xz tool's record of an empty file).
        copy = os.path.join(out, f"{index}.zip")
        verdicts = [subprocess.run(["7z", "t", "-bd", "-p" + (password or ""), p],
                                   capture_output=True).returncode for p in (path, copy)]
        with zipfile.ZipFile(copy) as z:
            listed = sorted(z.namelist())
        if verdicts[0] == 0 < verdicts[1] or listed != sorted(set(names) - {"empty.txt"} | {"added.txt"}):
            failures.append(f"{what}: after Add and Remove, 7z t {verdicts}, {listed}")
        row = os.path.join(out, str(index))
        for folder, expected in (("all", names), ("pick", ["prose.txt"])):
            for name in expected if readable else []:
                got = os.path.join(row, folder, name)
                if not os.path.isfile(got) or open(got, "rb").read() != src[name]:
                    failures.append(f"{what}: {folder}/{name} differs from its source")
            if not readable and os.path.isdir(os.path.join(row, folder)):
                left = [n for n in os.listdir(os.path.join(row, folder)) if n != "empty.txt"]
                if left:
                    failures.append(f"{what}: {folder} holds {left}")
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(rows)} archives, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

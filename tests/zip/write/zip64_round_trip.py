#!/usr/bin/python3
"""A 5 GiB source through Pack and back: Info-ZIP unzip and 7-Zip test the archive's data,
Python's zipfile reads its records, Unpack gives the file back. The source is sparse (a few
marked places in zeros), made here and deleted with everything else. Inflating 5 GiB costs
each reader the better part of a minute on a busy machine, so each one does it once.

usage: zip64_round_trip.py WINE PACK_TOOL UNPACK_TOOL|- WORK_DIR
"""
import os
import shutil
import struct
import subprocess
import sys
import zipfile

from peer_check import check, failures, winpath

WINE, PACK, UNPACK, WORK = sys.argv[1], sys.argv[2], sys.argv[3], os.path.abspath(sys.argv[4])
SIZE = 5 << 30
# Marked places: the start, across the 4 GiB line, and the very end.
MARKS = {0: b"start", (4 << 30) - 3: b"across", SIZE - 4: b"end!"}


def run(cmd):
    return subprocess.run(cmd, capture_output=True, text=True, timeout=600)


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    big = os.path.join(WORK, "big.dat")
    with open(big, "wb") as f:
        f.truncate(SIZE)
        for at, mark in MARKS.items():
            f.seek(at)
            f.write(mark)
    small = os.path.join(WORK, "after.txt")
    with open(small, "wb") as f:
        f.write(b"after the big one\r\n")

    archive = os.path.join(WORK, "big.zip")
    done = run([WINE, PACK, winpath(archive), "-", "big.dat", winpath(big), "after.txt", winpath(small)])
    check(done.returncode == 0, f"Pack gave {done.stdout.strip()!r} {done.stderr[-300:]!r}")
    os.remove(big)  # what comes back is compared with the marks alone

    with zipfile.ZipFile(archive) as z, open(archive, "rb") as f:
        info = z.getinfo("big.dat")
        check((info.file_size, info.compress_type, info.extract_version) == (SIZE, 8, 45), f"zipfile: {info}")
        f.seek(info.header_offset)
        local = f.read(30)
        extra = f.read(sum(struct.unpack_from("<HH", local, 26)))[len("big.dat"):]
        # Version 4.5, both sizes in the Zip64 block, the timestamp block still first.
        check(struct.unpack_from("<H12xII", local, 4) == (45, 0xFFFFFFFF, 0xFFFFFFFF), "local header")
        check(extra[:2] == b"UT" and b"\x01\x00\x10\x00" in extra, f"local extra {extra.hex()}")
        check(z.read("after.txt") == b"after the big one\r\n", "zipfile: after.txt")

    done = run(["unzip", "-t", archive])
    check(done.returncode == 0, f"unzip -t: {done.stdout[-400:]}")
    done = run(["7z", "t", archive])
    check(done.returncode == 0, f"7z t: {done.stdout[-400:]}")

    if UNPACK != "-":
        out = os.path.join(WORK, "out")
        os.makedirs(out)
        done = run([WINE, UNPACK, winpath(archive), winpath(out)])
        check(done.stdout.split()[-1:] == ["0"], f"Unpack gave {done.stdout!r}")
        back = os.path.join(out, "big.dat")
        if os.path.exists(back):
            check(os.path.getsize(back) == SIZE, f"Unpack wrote {os.path.getsize(back)} bytes")
            with open(back, "rb") as f:
                got = {at: (f.seek(at), f.read(len(mark)))[1] for at, mark in MARKS.items()}
                check(got == MARKS, f"Unpack: marks {got}")
        else:
            check(False, "Unpack wrote no big.dat")

    shutil.rmtree(WORK, ignore_errors=True)
    if failures:
        print(f"{len(failures)} Zip64 failure(s)")
        return 1
    print("5 GiB round trip ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())

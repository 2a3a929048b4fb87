#!/usr/bin/python3
"""Archives made by Info-ZIP zip, 7-Zip and Python's zipfile, unpacked by the engine under Wine.

interop_test.py interop WORK UNPACK_TOOL   -- every archive unpacks to the same bytes,
                                              modification times and folders
interop_test.py damage WORK DAMAGE_TOOL    -- mutations of such archives never crash, hang
                                              or write outside the extraction folder
interop_test.py large WORK UNPACK_TOOL     -- Zip64 archives of a 4.5 GiB entry and of a
                                              stream (made on the fly, deleted after)
WINE names the wine command; the Wine prefix comes from the environment, and so does TZ,
which Wine, zip, 7z and zipfile all read: the same run proves the local-time conversions.
"""
import os
import random
import shutil
import stat
import struct
import subprocess
import sys
import zipfile
import zlib

WINE = os.environ.get("WINE", "wine")
PASSWORD = "Secr3t pw"


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def make_sample(root, large):
    """A deterministic folder tree with fixed, even-second modification times."""
    rng = random.Random(20240607)
    files = {
        "readme.txt": b"Sample archive content.\r\n" * (80 if large else 4),
        "empty.dat": b"",
        "with space.txt": b"name with a space\n",
        "data/table.csv": "".join(
            f"{i};item {i};{rng.randint(0, 99999)};{rng.random():.6f}\n"
            for i in range(12000 if large else 20)).encode(),
        "data/blob.bin": bytes(rng.getrandbits(8) for _ in range(200000 if large else 300)),
        "data/deep/nested/note.xml": b"<note><to>reader</to><body>deep</body></note>\n",
        "readonly.txt": b"do not touch\n",
    }
    folders = ["data", "data/deep", "data/deep/nested", "emptydir"]
    if not large:
        # Small seeds for the damage suite: few entries keep each unpack cheap.
        files = {k: files[k] for k in ("readme.txt", "empty.dat", "data/blob.bin", "readonly.txt")}
        folders = ["data"]
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    for folder in folders:
        os.makedirs(os.path.join(root, folder), exist_ok=True)
    stamp = 1600000000
    for name, content in sorted(files.items()):
        path = os.path.join(root, name)
        with open(path, "wb") as f:
            f.write(content)
        stamp += 2 * 3607
        os.utime(path, (stamp + 5000, stamp))
    os.chmod(os.path.join(root, "readonly.txt"), 0o444)
    for folder in folders:
        os.utime(os.path.join(root, folder), (stamp, stamp))
    return files, folders


def run(cmd, cwd=None):
    subprocess.run(cmd, cwd=cwd, check=True, stdout=subprocess.DEVNULL)


def make_archives(src, out, sample_name):
    """Returns [(archive path, password or None)]."""
    made = []

    def infozip(name, *options):
        path = os.path.join(out, name)
        run(["zip", "-q", "-r", *options, path, sample_name], cwd=src)
        made.append((path, PASSWORD if "-P" in options else None))

    def sevenzip(name, *options):
        path = os.path.join(out, name)
        run(["7z", "a", "-tzip", "-bd", "-bso0", *options, path, sample_name], cwd=src)
        made.append((path, PASSWORD if any(o.startswith("-p") for o in options) else None))

    def python(name, method, zip64=False):
        """zip64: every entry with Zip64 blocks, written to a stream that cannot seek, so
        that the sizes follow the data in 64-bit data descriptors."""
        path = os.path.join(out, name)
        with open(path, "wb") as f, \
                zipfile.ZipFile(Unseekable(f) if zip64 else f, "w", compression=method) as z:
            for base, dirs, names in sorted(os.walk(os.path.join(src, sample_name))):
                dirs.sort()
                rel = os.path.relpath(base, src)
                z.write(base, rel + "/")
                for n in sorted(names):
                    info = zipfile.ZipInfo.from_file(os.path.join(base, n), os.path.join(rel, n))
                    info.compress_type = method
                    with open(os.path.join(base, n), "rb") as source, \
                            z.open(info, "w", force_zip64=zip64) as target:
                        shutil.copyfileobj(source, target)
        made.append((path, None))

    infozip("infozip-deflate.zip")
    infozip("infozip-stored.zip", "-0")
    infozip("infozip-crypt.zip", "-P", PASSWORD)
    sevenzip("7z-deflate.zip")
    sevenzip("7z-zipcrypto.zip", "-p" + PASSWORD, "-mem=ZipCrypto")
    for bits in (128, 192, 256):
        sevenzip(f"7z-aes{bits}-deflate.zip", "-p" + PASSWORD, f"-mem=AES{bits}")
        if bits != 192:
            sevenzip(f"7z-aes{bits}-stored.zip", "-p" + PASSWORD, f"-mem=AES{bits}", "-mx0")
    python("python-deflate.zip", zipfile.ZIP_DEFLATED)
    python("python-stored.zip", zipfile.ZIP_STORED)
    # Zip64 by habit: Info-ZIP's -fz and Python's force_zip64 (7-Zip's comes from a stream,
    # in the large test).
    infozip("infozip-zip64.zip", "-fz")
    python("python-zip64.zip", zipfile.ZIP_DEFLATED, zip64=True)
    return made


class Unseekable:
    """A file that can only be written forward, as a pipe or a socket."""

    def __init__(self, f):
        self.f = f

    def write(self, data):
        return self.f.write(data)

    def tell(self):
        return self.f.tell()

    def flush(self):
        self.f.flush()

    def seekable(self):
        return False


class Sparse:
    """A file written with holes where the data is zero, so that gigabytes of zeros take no
    disk space and no time."""

    def __init__(self, f):
        self.f = f
        self.zeros = bytes(1 << 20)

    def write(self, data):
        if len(data) <= len(self.zeros) and data == self.zeros[:len(data)]:
            self.f.seek(len(data), os.SEEK_CUR)
        else:
            self.f.write(data)
        return len(data)

    def seek(self, offset, whence=os.SEEK_SET):
        return self.f.seek(offset, whence)

    def tell(self):
        return self.f.tell()

    def flush(self):
        self.f.flush()

    def seekable(self):
        return True


def passes_check_byte(archive, password):
    """Whether a password gets through the traditional cipher's one-byte check of the first
    entry that Unpack checks (encrypted, not a folder, not empty): once in 256 a wrong one
    does, and Unpack then fails on the data (100) instead of reporting it (55)."""
    def update(keys, c):
        keys[0] = zlib.crc32(bytes([c]), keys[0] ^ 0xFFFFFFFF) ^ 0xFFFFFFFF
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = zlib.crc32(bytes([keys[1] >> 24]), keys[2] ^ 0xFFFFFFFF) ^ 0xFFFFFFFF

    with zipfile.ZipFile(archive) as z, open(archive, "rb") as f:
        for info in z.infolist():
            if info.is_dir() or info.file_size == 0 or not info.flag_bits & 1:
                continue
            if info.compress_type not in (0, 8):
                return False
            f.seek(info.header_offset + 26)
            n, m = struct.unpack("<HH", f.read(4))
            f.seek(info.header_offset + 30 + n + m)
            keys = [0x12345678, 0x23456789, 0x34567890]
            for c in (password or "").encode():
                update(keys, c)
            for c in f.read(12):
                t = (keys[2] & 0xFFFF) | 2
                plain = c ^ (((t * (t ^ 1)) >> 8) & 0xFF)
                update(keys, plain)
            hour, minute, second = info.date_time[3:]
            expected = (hour << 3 | minute >> 3) if info.flag_bits & 8 else info.CRC >> 24
            return plain == expected
    return False


def unpack(tool, archive, dest, password):
    cmd = [WINE, tool, winpath(archive), winpath(dest)]
    if password is not None:
        cmd.append(password)
    out = subprocess.run(cmd, check=True, capture_output=True, text=True, timeout=120).stdout
    return int(out.strip().splitlines()[-1])


def entries(data):
    """(central header offset, local header offset) of every entry, from the end record."""
    end = data.rindex(b"PK\5\6")
    count, _, at = struct.unpack_from("<HII", data, end + 10)
    found = []
    for _ in range(count):
        n, m, k = struct.unpack_from("<HHH", data, at + 28)
        found.append((at, struct.unpack_from("<I", data, at + 42)[0]))
        at += 46 + n + m + k
    return found


def patched(data, change):
    """A copy of the archive after change(bytearray, central, local) for every entry."""
    b = bytearray(data)
    for central, local in entries(data):
        change(b, central, local)
    return bytes(b)


def aes_blocks(b, central, local):
    """Offsets of the 0x9901 blocks of one entry (central first), or [] for other entries."""
    found = []
    for at, size, lengths in ((central, 46, 28), (local, 30, 26)):
        n, m = struct.unpack_from("<HH", b, at + lengths)
        p = at + size + n
        while p + 4 <= at + size + n + m:
            block_id, length = struct.unpack_from("<HH", b, p)
            if block_id == 0x9901:
                found.append(p)
            p += 4 + length
    return found


def aes_and_results(work, tool, files):
    """Derived archives: AE-1 with its CRC, a wrong CRC or authentication code, bit 6."""
    aes = open(os.path.join(work, "archives", "7z-aes256-deflate.zip"), "rb").read()
    crypt = open(os.path.join(work, "archives", "infozip-crypt.zip"), "rb").read()

    def name_of(b, central):
        n = struct.unpack_from("<H", b, central + 28)[0]
        return b[central + 46:central + 46 + n].decode()

    def ae1(crc_change):
        def change(b, central, local):
            blocks = aes_blocks(b, central, local)
            if not blocks:
                return
            crc = zlib.crc32(files[name_of(b, central)[len("sample/"):]]) ^ crc_change
            for p in blocks:
                struct.pack_into("<H", b, p + 4, 1)
            struct.pack_into("<I", b, central + 16, crc)
            struct.pack_into("<I", b, local + 14, crc)
        return change

    def flip_code(b, central, local):
        if name_of(b, central) == "sample/data/table.csv":
            size = struct.unpack_from("<I", b, central + 20)[0]
            n, m = struct.unpack_from("<HH", b, local + 26)
            b[local + 30 + n + m + size - 1] ^= 0x40

    def strong(b, central, local):
        b[central + 8] |= 0x40
        b[local + 6] |= 0x40

    cases = [("ae1-crc.zip", patched(aes, ae1(0)), PASSWORD, 0),
             ("ae1-wrong-crc.zip", patched(aes, ae1(1)), PASSWORD, 100),
             ("aes-wrong-code.zip", patched(aes, flip_code), PASSWORD, 100),
             ("strong-encryption.zip", patched(crypt, strong), PASSWORD, 100)]
    failures = []
    for label, data, password, want in cases:
        path = os.path.join(work, "archives", label)
        with open(path, "wb") as f:
            f.write(data)
        dest = os.path.join(work, "out-" + label)
        shutil.rmtree(dest, ignore_errors=True)
        os.makedirs(dest)
        result = unpack(tool, path, dest, password)
        if result != want:
            failures.append(f"{label}: result {result} instead of {want}")
        if label == "aes-wrong-code.zip":
            # Written, but not left as if complete: the entry's time is not applied.
            got = os.path.join(dest, "sample", "data", "table.csv")
            want_time = int(os.stat(os.path.join(work, "src", "sample", "data", "table.csv")).st_mtime)
            if os.path.exists(got) and int(os.stat(got).st_mtime) == want_time:
                failures.append(f"{label}: table.csv carries its time as if complete")
        print(f"{label}: checked")
    return failures


def interop(work, tool):
    src = os.path.join(work, "src")
    files, folders = make_sample(os.path.join(src, "sample"), large=True)
    archives = os.path.join(work, "archives")
    shutil.rmtree(archives, ignore_errors=True)
    os.makedirs(archives)
    failures = []
    for archive, password in make_archives(src, archives, "sample"):
        label = os.path.basename(archive)
        dest = os.path.join(work, "out-" + label)
        shutil.rmtree(dest, ignore_errors=True)
        os.makedirs(dest)
        result = unpack(tool, archive, dest, password)
        if result != 0:
            failures.append(f"{label}: result {result}")
            continue
        for name, content in files.items():
            got = os.path.join(dest, "sample", name)
            want = os.path.join(src, "sample", name)
            if not os.path.isfile(got):
                failures.append(f"{label}: {name} missing")
                continue
            with open(got, "rb") as f:
                if f.read() != content:
                    failures.append(f"{label}: {name} differs")
            if int(os.stat(got).st_mtime) != int(os.stat(want).st_mtime):
                failures.append(f"{label}: {name} time {int(os.stat(got).st_mtime)} "
                                f"instead of {int(os.stat(want).st_mtime)}")
        for folder in folders:
            if not os.path.isdir(os.path.join(dest, "sample", folder)):
                failures.append(f"{label}: folder {folder} missing")
        # Unix-made archives keep the mode: a file without owner write comes back read-only.
        if not label.startswith("7z"):
            mode = os.stat(os.path.join(dest, "sample", "readonly.txt")).st_mode
            if mode & stat.S_IWUSR:
                failures.append(f"{label}: readonly.txt came back writable")
        if password is not None:
            for wrong in ("wrong", None):
                again = os.path.join(work, "again-" + label)
                shutil.rmtree(again, ignore_errors=True)
                os.makedirs(again)
                result = unpack(tool, archive, again, wrong)
                want = 100 if passes_check_byte(archive, wrong) else 55
                if result != want:
                    failures.append(f"{label}: password {wrong!r} gave {result} instead of {want}")
        print(f"{label}: checked")
    failures += aes_and_results(work, tool, files)
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


def damage(work, tool):
    src = os.path.join(work, "src")
    make_sample(os.path.join(src, "s"), large=False)
    seeds = os.path.join(work, "seeds")
    shutil.rmtree(seeds, ignore_errors=True)
    os.makedirs(seeds)
    make_archives(src, seeds, "s")
    # 7-Zip's Deflate64, BZip2 and LZMA: the other decoders' handling of damaged data.
    for method in ("Deflate64", "BZip2", "LZMA"):
        run(["7z", "a", "-tzip", "-bd", "-bso0", "-mm=" + method,
             os.path.join(seeds, f"7z-{method.lower()}.zip"), "s"], cwd=src)
    plain = [winpath(os.path.join(seeds, p)) for p in ("infozip-deflate.zip", "python-stored.zip",
                                                       "7z-deflate64.zip", "7z-bzip2.zip",
                                                       "7z-lzma.zip")]
    # Info-ZIP's encrypted archives (check byte from the time) are covered by the interop
    # test; 7-Zip's take the check byte from the CRC.
    # A stored AE-2 entry has no CRC-32: only its authentication code can catch damage.
    crypt = [winpath(os.path.join(seeds, p)) for p in ("7z-zipcrypto.zip", "7z-aes128-stored.zip")]
    # Info-ZIP's Zip64 by habit: Zip64 blocks, end record and locator, for the Zip64
    # mutations alone (the others are the plain seeds' already).
    zip64 = os.path.join(seeds, "infozip-fz.zip")
    run(["zip", "-q", "-r", "-fz", zip64, "s"], cwd=src)
    box = os.path.join(work, "box")
    os.makedirs(box, exist_ok=True)
    cmd = [WINE, tool, winpath(box), *plain, "-p" + PASSWORD, *crypt, "-p", "-z", winpath(zip64)]
    # Wine's heap checker dumps raw memory into its reports: not always valid text.
    done = subprocess.run(cmd, capture_output=True, text=True, errors="replace", timeout=600)
    print(done.stdout, done.stderr[-2000:])
    if done.returncode != 0 or "FAULT" in done.stdout or "no fault" not in done.stdout:
        print("FAIL damage_tool exit code", done.returncode)
        return 1
    # Run with WINEDEBUG=warn+heap, Wine's heap checker reports overruns and bad frees.
    heap = [line for line in done.stderr.splitlines() if "err:heap" in line or "warn:heap" in line]
    if heap:
        print("FAIL heap checker:", *heap[:20], sep="\n")
        return 1
    return 0


LARGE = 4608 << 20  # 4.5 GiB
# Marked stretches of the large entry, the rest being zeros: a read from a wrong place
# (an offset cut to 32 or 31 bits) gives the wrong bytes there and the wrong CRC-32.
MARKS = [0, (2 << 30) - 100, (4 << 30) - 100, LARGE - (1 << 20)]


def mark(at):
    return f"mark {at} ".encode() * 1000


def large(work, tool):
    """A 4.5 GiB entry from Python's zipfile (stored, in a sparse file) with a small entry
    behind it, past 4 GiB, and the directory past 4 GiB: Zip64 sizes, offsets and end
    record. And 7-Zip's archive of a stream, whose local header carries Zip64 sizes."""
    failures = []
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    archive = os.path.join(work, "python-large.zip")
    with open(archive, "wb") as f, zipfile.ZipFile(Sparse(f), "w", zipfile.ZIP_STORED) as z:
        info = zipfile.ZipInfo("big.bin", (2024, 5, 1, 12, 0, 0))
        info.file_size = LARGE
        with z.open(info, "w") as target:
            written = 0
            chunk = bytes(1 << 20)
            for at in MARKS + [LARGE]:
                while written < at:
                    step = min(len(chunk), at - written)
                    target.write(chunk[:step])
                    written += step
                if at < LARGE:
                    target.write(mark(at))
                    written += len(mark(at))
        z.writestr("after.txt", b"behind the large entry\n")
    with zipfile.ZipFile(archive) as z:
        if z.getinfo("after.txt").header_offset < 1 << 32:
            failures.append("python-large.zip: not the archive this test is about")

    streamed = os.path.join(work, "7z-stream.zip")
    subprocess.run(["7z", "a", "-tzip", "-bd", "-bso0", "-sistream.txt", streamed],
                   input=b"from a stream\n" * 100, check=True)
    with open(streamed, "rb") as f:
        if f.read(30)[18:26] != b"\xff" * 8:
            failures.append("7z-stream.zip: no Zip64 sizes in the local header")

    for path, expected in ((archive, {"after.txt": b"behind the large entry\n"}),
                           (streamed, {"stream.txt": b"from a stream\n" * 100})):
        label = os.path.basename(path)
        dest = os.path.join(work, "out-" + label)
        os.makedirs(dest)
        result = unpack(tool, path, dest, None)
        if result != 0:
            failures.append(f"{label}: result {result}")
        for name, content in expected.items():
            got = os.path.join(dest, name)
            if not os.path.isfile(got) or open(got, "rb").read() != content:
                failures.append(f"{label}: {name} missing or different")
        big = os.path.join(dest, "big.bin")
        if path == archive:
            if not os.path.isfile(big) or os.path.getsize(big) != LARGE:
                failures.append(f"{label}: big.bin missing or of the wrong size")
            else:
                with open(big, "rb") as f:
                    for at in MARKS:
                        f.seek(at)
                        if f.read(len(mark(at))) != mark(at):
                            failures.append(f"{label}: big.bin differs at {at}")
        shutil.rmtree(dest)
        print(f"{label}: checked")
    shutil.rmtree(work)
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


def main():
    mode, work, tool = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    return {"interop": interop, "damage": damage, "large": large}[mode](work, tool)


if __name__ == "__main__":
    sys.exit(main())

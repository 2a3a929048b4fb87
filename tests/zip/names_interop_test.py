#!/usr/bin/python3
"""Entry names outside ASCII, both ways, with the Russian ANSI code page (1251).

names_interop_test.py WORK PACK_TOOL UNPACK_TOOL     (WINE names the wine command)

Pack: names that 1251 holds are stored in it with bit 11 clear (non-ASCII ones with an
Info-ZIP Unicode Path block), all others as UTF-8 with bit 11. Python's zipfile and bsdtar,
told the code page, give every name back; Info-ZIP unzip, 7-Zip and bsdtar list and extract
the real names without being told. Unpack: archives made by 7-Zip, Python, bsdtar and Info-ZIP, with bit
11, in code page 1251 without it, and with Info-ZIP's Unicode Path block, come out under
the real names; so do names stored in 866, 1251 or UTF-8 as the writer's host and version
say.
"""
import os
import shutil
import struct
import subprocess
import sys
import zipfile
import zlib

WINE = os.environ.get("WINE", "wine")
RUSSIAN = dict(os.environ, LANG="ru_RU.UTF-8", LC_ALL="ru_RU.UTF-8")  # ANSI code page 1251
WESTERN = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")  # ANSI code page 1252
failures = []

NAMES = {
    "Отчёт за май.txt": b"report\r\n",
    "папка/ёлка.txt": b"tree\r\n",
    "数据.txt": b"data\r\n",  # these two became "??.txt" alike under 1251
    "报告.txt": b"report, zh\r\n",
    "папка/混合 файл.csv": b"a;b\r\n",
    "Ελληνικά.txt": b"greek\r\n",
    "plain.txt": b"ascii\r\n",
}


def in_1251(name):
    try:
        name.encode("cp1251")
        return True
    except UnicodeEncodeError:
        return False


CYRILLIC = {n: c for n, c in NAMES.items() if in_1251(n)}


def check(ok, message):
    if not ok:
        failures.append(message)
        print("FAIL:", message)


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def stored_bytes(name):
    return name.encode("cp1251") if in_1251(name) else name.encode()


def make_tree(root, names, encode=str.encode):
    shutil.rmtree(root, ignore_errors=True)
    for name, content in names.items():
        path = os.path.join(os.fsencode(root), encode(name))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)


def tree(root):
    """{relative path as bytes: content} of every file below root."""
    found = {}
    base = os.fsencode(root)
    for folder, _, files in os.walk(base):
        for f in files:
            path = os.path.join(folder, f)
            with open(path, "rb") as h:
                found[os.path.relpath(path, base)] = h.read()
    return found


def expect_tree(root, names, encode, label):
    want = {encode(n): c for n, c in names.items()}
    got = tree(root)
    check(got == want, f"{label}: {sorted(got)} instead of {sorted(want)}")


def fresh(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def run(cmd, env=RUSSIAN, **kw):
    return subprocess.run(cmd, env=env, capture_output=True, timeout=120, **kw)


def unpack(tool, archive, dest, env):
    done = run([WINE, tool, winpath(archive), winpath(dest)], env=env)
    return int(done.stdout.split()[-1]) if done.stdout.split() else -1


def packed_by_us(work, pack_tool, unpack_tool):
    src = os.path.join(work, "src")
    make_tree(src, NAMES)
    archive = os.path.join(work, "ours.zip")
    args = [WINE, pack_tool, winpath(archive), "-"]
    for name in NAMES:
        args += [name.replace("/", "\\"), winpath(os.path.join(src, name))]
    done = run(args)
    check(done.returncode == 0, f"Pack: {done.stdout!r} {done.stderr[-300:]!r}")

    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            utf8 = bool(info.flag_bits & 0x800)
            raw = info.filename.encode() if utf8 else info.orig_filename.encode("cp437")
            name = raw.decode() if utf8 else raw.decode("cp1251")
            check(name in NAMES and raw == stored_bytes(name) and utf8 != in_1251(name),
                  f"Pack stored {raw!r} with flags {info.flag_bits:#x}")
    with zipfile.ZipFile(archive, metadata_encoding="cp1251") as z:
        check(sorted(z.namelist()) == sorted(NAMES), f"zipfile lists {z.namelist()}")
        z.extractall(fresh(os.path.join(work, "by-zipfile")))
    expect_tree(os.path.join(work, "by-zipfile"), NAMES, str.encode, "zipfile extract")

    out = fresh(os.path.join(work, "by-bsdtar"))
    done = run(["bsdtar", "-xf", archive, "--options", "hdrcharset=CP1251", "-C", out])
    check(done.returncode == 0, f"bsdtar -x: {done.stderr[-300:]!r}")
    expect_tree(out, NAMES, str.encode, "bsdtar extract")

    # Names in 1251 carry the Unicode Path block, so the tools that cannot be told the
    # code page list and extract the real names too.
    listed = run(["unzip", "-Z1", archive]).stdout.splitlines()
    check(sorted(listed) == sorted(n.encode() for n in NAMES), f"unzip -Z1 lists {listed}")
    for lister in (["unzip", "-l"], ["7z", "l", "-ba"], ["bsdtar", "-tf"]):
        shown = run(lister + [archive]).stdout.decode(errors="replace")
        missing = [n for n in NAMES if n not in shown]
        check(not missing, f"{lister[0]} does not list {missing}")
    out = fresh(os.path.join(work, "by-unzip"))
    check(run(["unzip", "-q", archive, "-d", out]).returncode == 0, "unzip failed")
    expect_tree(out, NAMES, str.encode, "unzip extract")
    out = fresh(os.path.join(work, "by-7z"))
    check(run(["7z", "x", "-y", "-bd", "-o" + out, archive]).returncode == 0, "7z x failed")
    expect_tree(out, NAMES, str.encode, "7z extract")

    out = fresh(os.path.join(work, "by-us"))
    check(unpack(unpack_tool, archive, out, RUSSIAN) == 0, "Unpack of our own archive")
    expect_tree(out, NAMES, str.encode, "round trip")


def with_unicode_path(data):
    """Adds to every central header the Unicode Path block that Info-ZIP writes for a name
    in code page 1251: version 1, CRC-32 of the stored name, the name in UTF-8."""
    end = data.rindex(b"PK\5\6")
    count, _, offset = struct.unpack_from("<HII", data, end + 10)
    out = bytearray(data[:offset])
    at = offset
    for _ in range(count):
        n, m, k = struct.unpack_from("<HHH", data, at + 28)
        header = bytearray(data[at:at + 46 + n + m + k])
        stored = bytes(header[46:46 + n])
        utf8 = stored.decode("cp1251").encode()
        block = struct.pack("<HHBI", 0x7075, 5 + len(utf8), 1, zlib.crc32(stored)) + utf8
        struct.pack_into("<H", header, 30, m + len(block))
        header[46 + n + m:46 + n + m] = block
        out += header
        at += 46 + n + m + k
    tail = bytearray(data[end:])
    struct.pack_into("<I", tail, 12, len(out) - offset)
    return bytes(out + tail)


def packed_by_peers(work, unpack_tool):
    src = os.path.join(work, "peer-src")
    make_tree(src, NAMES)
    src1251 = os.path.join(work, "peer-src-1251")
    make_tree(src1251, CYRILLIC, lambda n: n.encode("cp1251"))
    archives = fresh(os.path.join(work, "peers"))

    def made(label, cmd, cwd, env=RUSSIAN):
        path = os.path.join(archives, label)
        done = run([c.replace("@", path) for c in cmd], env=env, cwd=cwd)
        check(done.returncode == 0, f"{label}: {done.stderr[-300:]!r}")
        return path

    names = sorted(NAMES)
    cases = [
        (made("7z.zip", ["7z", "a", "-tzip", "-bd", "-bso0", "@", *names], src), NAMES, RUSSIAN),
        (made("bsdtar.zip", ["bsdtar", "--format", "zip", "-cf", "@", *names], src), NAMES, RUSSIAN),
        (made("bsdtar-1251.zip", ["bsdtar", "--format", "zip", "--options", "zip:hdrcharset=CP1251",
                                  "-cf", "@", *sorted(CYRILLIC)], src), CYRILLIC, RUSSIAN),
        # Info-ZIP stores the bytes of the local names: here code page 1251.
        (made("infozip-1251.zip", ["zip", "-q", "-r", "@", "."], src1251, env=dict(RUSSIAN, LC_ALL="C")),
         CYRILLIC, RUSSIAN),
    ]
    python = os.path.join(archives, "python.zip")
    with zipfile.ZipFile(python, "w", zipfile.ZIP_DEFLATED) as z:
        for name in names:
            z.write(os.path.join(src, name), name)
    cases.append((python, NAMES, RUSSIAN))
    # With the Unicode Path block the names come out right even where 1252 is the code page.
    unicode_path = os.path.join(archives, "infozip-unicode-path.zip")
    with open(cases[3][0], "rb") as f, open(unicode_path, "wb") as g:
        g.write(with_unicode_path(f.read()))
    cases.append((unicode_path, CYRILLIC, WESTERN))

    for archive, names_in, env in cases:
        label = os.path.basename(archive)
        with zipfile.ZipFile(archive) as z:
            bits = {bool(i.flag_bits & 0x800) for i in z.infolist() if not i.filename.isascii()}
        check(bits == {"1251" not in label and "unicode" not in label},
              f"{label}: not the kind of archive this case is about")
        out = fresh(os.path.join(work, "out-" + label))
        result = unpack(unpack_tool, archive, out, env)
        check(result == 0, f"{label}: Unpack gave {result}")
        expect_tree(out, names_in, str.encode, f"{label}: Unpack")
        print(f"{label}: checked")


# Names without bit 11, stored the way their writer's host and version (the central
# header's "version made by") say: (name, stored encoding, version made by).
BY_HOST = [
    ("Отчёт за май.txt", "cp866", 0x0014),       # MS-DOS, PKZIP 2.0: OEM
    ("папка/ёлка.txt", "cp866", 0x0014),
    ("Ёлка 2.5.txt", "cp1251", 0x0019),          # MS-DOS host, PKZIP 2.5 for Windows: ANSI
    ("Ёлка 4.0.txt", "cp1251", 0x0028),
    ("Том HPFS.txt", "cp866", 0x0614),           # OS/2 HPFS: OEM
    ("Сжатая папка.txt", "cp866", 0x0B32),       # NTFS 5.0, Windows' compressed folders: OEM
    ("Наш архив.txt", "cp1251", 0x0B17),         # NTFS 2.3, this library: ANSI
    ("С сервера Linux.txt", "utf-8", 0x031E),    # Unix: UTF-8 ...
    ("Старый unix.txt", "cp1251", 0x031E),       # ... unless the bytes are not UTF-8
    ("С Mac.txt", "utf-8", 0x1314),              # OS X: UTF-8
]


def by_host(work, unpack_tool):
    """One archive whose entries carry the host bytes and versions of BY_HOST; Unpack in the
    Russian locale (ANSI 1251, OEM 866) gives every name back."""
    archive = os.path.join(work, "by-host.zip")
    stored = [name.encode(encoding) for name, encoding, _ in BY_HOST]
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
        for i, (name, _, made_by) in enumerate(BY_HOST):
            info = zipfile.ZipInfo(f"{i:0{len(stored[i])}d}", (2024, 5, 1, 12, 0, 0))
            info.create_system, info.create_version = made_by >> 8, made_by & 0xFF
            info.external_attr = 0x20
            z.writestr(info, name.encode())
    data = bytearray(open(archive, "rb").read())
    with zipfile.ZipFile(archive) as z:
        infos = z.infolist()
    end = data.rindex(b"PK\5\6")
    at = struct.unpack_from("<I", data, end + 16)[0]
    for info, raw in zip(infos, stored):
        data[info.header_offset + 30:info.header_offset + 30 + len(raw)] = raw
        n, m, k = struct.unpack_from("<HHH", data, at + 28)
        data[at + 46:at + 46 + n] = raw
        at += 46 + n + m + k
    with open(archive, "wb") as f:
        f.write(data)
    out = fresh(os.path.join(work, "by-host"))
    result = unpack(unpack_tool, archive, out, RUSSIAN)
    check(result == 0, f"by-host.zip: Unpack gave {result}")
    expect_tree(out, {name: name.encode() for name, _, _ in BY_HOST}, str.encode,
                "names by host and version")


def main():
    work, pack_tool, unpack_tool = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    packed_by_us(work, pack_tool, unpack_tool)
    packed_by_peers(work, unpack_tool)
    by_host(work, unpack_tool)
    if failures:
        print(f"{len(failures)} name interop failure(s)")
        return 1
    print("names interop ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())

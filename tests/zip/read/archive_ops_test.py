#!/usr/bin/python3
"""List, Test, UnpackFiles, Add and Remove on archives from Info-ZIP, 7-Zip and zipfile, with the
peers as the oracle: archive_ops_test.py WORK ARCHIVE_TOOL (the tool runs under Wine)."""
import os
import shutil
import struct
import subprocess
import sys
import zipfile

from interop_test import PASSWORD, WINE, make_archives, make_sample, winpath

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def tool(exe, *args):
    out = subprocess.run([WINE, exe, *args], check=True, stdout=subprocess.PIPE).stdout
    *text, code = out.decode("utf-8").rstrip("\r\n").split("\n")
    return int(code), "\n".join(text)


def peers_pass(path, password):
    """Verdicts of unzip -t (which reads no AES entries) and 7z t."""
    pw = ["-P", password] if password else []
    cmds = [["7z", "t", "-p" + (password or "-"), path]]
    if "aes" not in os.path.basename(path):
        cmds.append(["unzip", "-tq", *pw, path])
    return [subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
            for cmd in cmds]


def aes_info(info):
    """(real method, strength) from the 0x9901 block, or None."""
    extra, at = info.extra, 0
    while at + 4 <= len(extra):
        block, size = struct.unpack_from("<HH", extra, at)
        if block == 0x9901:
            return struct.unpack_from("<H", extra, at + 9)[0], extra[at + 8]
        at += 4 + size
    return None


def expected_line(info):
    aes = aes_info(info)
    method = aes[0] if aes else info.compress_type
    method = {0: "stored", 8: "deflated"}.get(method, f"m{method}")
    crypt = f"aes{64 + 64 * aes[1]}" if aes else ("zipcrypto" if info.flag_bits & 1 else "")
    stamp = "%04d-%02d-%02d %02d:%02d:%02d" % info.date_time
    return "\t".join([info.filename, str(info.file_size), str(info.compress_size), stamp,
                      "%08X" % info.CRC, method, crypt])


def raw_data(path):
    """Each entry's stored data bytes by name."""
    out = {}
    with open(path, "rb") as f, zipfile.ZipFile(path) as z:
        for info in z.infolist():
            f.seek(info.header_offset + 26)
            n, m = struct.unpack("<HH", f.read(4))
            f.seek(n + m, os.SEEK_CUR)
            out[info.filename] = f.read(info.compress_size)
    return out


def seven_zip_list(path):
    """(name, size, CRC) of each entry as 7z l -slt gives them; folders without the slash."""
    out = subprocess.run(["7z", "l", "-slt", "-p-", path], check=True,
                         stdout=subprocess.PIPE).stdout.decode()
    entries, item = [], {}
    for line in out.split("\n")[out.split("\n").index("----------"):] + [""]:
        key, _, value = line.strip().partition(" = ")
        if not line.strip() and "Path" in item:
            entries.append((item["Path"], item.get("Size", "0"), item.get("CRC", "") or "00000000"))
            item = {}
        elif value or key in ("CRC",):
            item[key] = value
    return entries


def list_and_test(exe, archives):
    for path, password in archives:
        label = os.path.basename(path)
        code, text = tool(exe, "list", winpath(path))
        with zipfile.ZipFile(path) as z:
            want = [expected_line(i) for i in z.infolist()]
        lines = text.replace("\r", "").split("\n")
        check(code == 0 and lines == want, f"{label}: list differs from zipfile")
        fields = [line.split("\t") for line in lines]
        ours = [(f[0].rstrip("/"), f[1], f[4] if f[6] in ("", "zipcrypto") else "")
                for f in fields]
        theirs = [(n, s, c if ours[i][2] else "") for i, (n, s, c) in
                  enumerate(seven_zip_list(path))]
        check(ours == theirs, f"{label}: list differs from 7z l")
        code, _ = tool(exe, "test", winpath(path), "-", password or "")
        check((code == 0) == all(peers_pass(path, password)), f"{label}: test gave {code}")
        if password:
            code, _ = tool(exe, "test", winpath(path), "-", "wrong")
            check(code in (55, 100) and not any(peers_pass(path, "wrong")),
                  f"{label}: wrong password gave {code}")


def damaged_test(exe, work, archive):
    """A flipped data byte: Test fails where unzip -t and 7z t fail."""
    bad = os.path.join(work, "damaged.zip")
    data = bytearray(open(archive, "rb").read())
    info = max(zipfile.ZipFile(archive).infolist(), key=lambda i: i.compress_size)
    data[info.header_offset + 30 + len(info.filename) + len(info.extra) + 10] ^= 0xFF
    open(bad, "wb").write(data)
    code, _ = tool(exe, "test", winpath(bad))
    check(code == 100 and not any(peers_pass(bad, None)), f"damaged archive: test gave {code}")


def update(exe, work, path, password, src):
    label = os.path.basename(path)
    mine = os.path.join(work, "upd-" + label)
    shutil.copy(path, mine)
    before = raw_data(mine)
    new = os.path.join(work, "new.txt")
    open(new, "w").write("new entry\n" * 100)
    pairs = f"SAMPLE\\README.TXT\t{winpath(new)}\textra/new.txt\t{winpath(new)}"
    aes = ["aes"] if "aes" in label else []  # an AES archive gets AES entries
    code, _ = tool(exe, "add", winpath(mine), pairs, password or "", *aes)
    after = raw_data(mine)
    check(code == 0 and all(peers_pass(mine, password)), f"{label}: add gave {code} or peers fail")
    if aes:
        added = zipfile.ZipFile(mine).getinfo("extra/new.txt")
        check(aes_info(added) == (8, 3), f"{label}: add wrote no AES-256 entry")
    check(zipfile.ZipFile(mine).testzip() is None if not password else True, f"{label}: testzip")
    kept = {k: v for k, v in before.items() if k != "sample/readme.txt"}
    check(all(after.get(k) == v for k, v in kept.items()), f"{label}: add changed kept entries")
    check("SAMPLE/README.TXT" in after and "extra/new.txt" in after, f"{label}: add lost entries")
    snapshot = open(mine, "rb").read()
    code, _ = tool(exe, "remove", winpath(mine), "sample/data\tno such entry")
    check(code == 57 and open(mine, "rb").read() == snapshot, f"{label}: remove of a missing name")
    code, _ = tool(exe, "remove", winpath(mine), "Sample\\Data")
    after = raw_data(mine)
    check(code == 0 and all(peers_pass(mine, password)), f"{label}: remove gave {code}")
    check(not any(k.startswith("sample/data") for k in after) and
          all(after[k] == v for k, v in kept.items() if not k.startswith("sample/data")),
          f"{label}: remove kept the wrong entries")
    # A failed Add leaves the archive byte for byte and no temporary file behind.
    snapshot = open(mine, "rb").read()
    code, _ = tool(exe, "add", winpath(mine), f"a\t{winpath(new)}\tb\t{winpath(new)}.missing")
    check(code == 51 and open(mine, "rb").read() == snapshot and
          not [n for n in os.listdir(work) if n.lower().endswith(".tmp")], f"{label}: failed add")


def unpack_files(exe, work, path, files):
    out = os.path.join(work, "picked")
    shutil.rmtree(out, ignore_errors=True)
    code, _ = tool(exe, "files", winpath(path), "nothing\tSAMPLE/DATA", winpath(out))
    check(code == 57 and not os.path.exists(out), f"unpack files of a missing name gave {code}")
    code, _ = tool(exe, "files", winpath(path), "SAMPLE\\DATA\tsample/readme.txt", winpath(out))
    got = {os.path.relpath(os.path.join(b, n), os.path.join(out, "sample"))
           for b, _, ns in os.walk(out) for n in ns}
    want = {n for n in files if n.startswith("data/") or n == "readme.txt"}
    check(code == 0 and got == want, f"unpack files gave {code}, {sorted(got)}")


def main():
    work, exe = sys.argv[1:3]
    shutil.rmtree(work, ignore_errors=True)
    src = os.path.join(work, "src")
    files, _ = make_sample(os.path.join(src, "sample"), large=True)
    os.utime(os.path.join(src, "sample"), (1600000000, 1600000000))  # DOS times are even
    archives = os.path.join(work, "archives")
    os.makedirs(archives)
    made = make_archives(src, archives, "sample")
    list_and_test(exe, made)
    by_name = {os.path.basename(p): (p, pw) for p, pw in made}
    damaged_test(exe, work, by_name["infozip-stored.zip"][0])
    for name in ("infozip-deflate.zip", "7z-aes256-deflate.zip", "python-zip64.zip"):
        update(exe, work, *by_name[name], src)
    unpack_files(exe, work, by_name["7z-deflate.zip"][0], files)
    for f in failures:
        print("FAIL", f)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

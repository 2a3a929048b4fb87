#!/usr/bin/python3
"""OrvZip 3 through the registered component against the peers: AddFolder over a tree with
subfolders, an empty folder, hidden files, links, masks and exclusions, compared with the
set a walk with Python's fnmatch selects; CompressionLevel 0, 1 and 9; wildcards in
UnpackFiles and Remove. Every archive made is read back by unzip -t, 7z t and zipfile.

usage: folder_interop_test.py WORK_DIR JOBS_SCRIPT   (WINE and the Wine prefix from the environment)
"""
import fnmatch
import os
import random
import shutil
import subprocess
import sys
import zipfile

from peer_check import check, failures, peers_accept, text_bytes, winpath

WORK, JOBS_SCRIPT = os.path.abspath(sys.argv[1]), sys.argv[2]
WINE = os.environ.get("WINE", "wine")
PASSWORD = "folder pw"

# The tree: relative path -> content (None: a folder). HIDDEN get the hidden attribute.
TREE = {
    "a.txt": text_bytes(60_000, 1), "B.XML": text_bytes(9_000, 2), "c.csv": text_bytes(5_000, 3),
    "~lock.txt": b"lock", "notes.tmp": b"tmp", "hid.txt": b"hidden", "Кириллица.txt": b"ru",
    "sub": None, "sub/d.xml": text_bytes(7_000, 4), "sub/e.tmp": b"e",
    "sub/deep": None, "sub/deep/f.xml": text_bytes(3_000, 5),
    "sub/deep/g.bin": random.Random(6).randbytes(40_000),
    "backup": None, "backup/old.xml": b"<old/>", "backup/x": None, "backup/x/y.txt": b"y",
    "empty": None, "only_tmp": None, "only_tmp/z.tmp": b"z",
    "hidden_dir": None, "hidden_dir/h.xml": b"<h/>",
}
HIDDEN = ["hid.txt", "hidden_dir"]
LINKS = {"link.txt": "a.txt", "loop": "."}  # a file link and a folder link back to the root


def make_tree(root, tree):
    for rel, data in tree.items():
        path = os.path.join(root, rel)
        if data is None:
            os.makedirs(path, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)


def parse_masks(masks):
    out = {"inc": [], "exc": []}
    for p in masks.split(";"):
        exclude = p.startswith("-")
        p = p[1:] if exclude else p
        p = p.replace("\\", "/")
        is_path = "/" in p
        p = p.lstrip("/")
        if p:
            out["exc" if exclude else "inc"].append((p.upper(), is_path))
    return out


def matches(patterns, name, path):
    return any(fnmatch.fnmatchcase((path if is_path else name).upper(), p) for p, is_path in patterns)


def oracle(root, masks, recurse, skip_hidden):
    """What AddFolder should add: [(relative path, is folder)] in the walk's order."""
    m = parse_masks(masks)
    out = []

    def walk(rel):
        folder = os.path.join(root, rel) if rel else root
        for name in sorted(os.listdir(folder), key=str.upper):
            path = f"{rel}/{name}" if rel else name
            full = os.path.join(folder, name)
            if skip_hidden and path in HIDDEN:
                continue
            if not os.path.isdir(full):
                if not matches(m["exc"], name, path) and (not m["inc"] or matches(m["inc"], name, path)):
                    out.append((path, False))
                continue
            if not recurse or os.path.islink(full) or matches(m["exc"], name, path + "/"):
                continue
            before = len(out)
            walk(path)
            if len(out) == before and not m["inc"]:
                out.append((path, True))

    walk("")
    return out


def entries_of(archive):
    """[(name, bytes or None for a folder entry)] in directory order."""
    with zipfile.ZipFile(archive) as z:
        return [(i.filename, None if i.is_dir() else z.read(i)) for i in z.infolist()]


def expected_entries(root, prefix, selected):
    return [(prefix + rel + ("/" if folder else ""),
             None if folder else open(os.path.join(root, rel), "rb").read())
            for rel, folder in selected]


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    root, root2 = os.path.join(WORK, "tree"), os.path.join(WORK, "tree2")
    make_tree(root, TREE)
    for link, target in LINKS.items():
        os.symlink(target, os.path.join(root, link))
    make_tree(root2, {"sub": None, "sub/d.xml": b"<changed/>", "sub/new.xml": b"<new/>",
                      "sub/skip.txt": b"not an xml"})
    z = lambda name: os.path.join(WORK, name)

    jobs, expect = [], []

    def job(*fields, result="0"):
        jobs.append("\t".join(winpath(f) if isinstance(f, str) and f.startswith(WORK) else str(f)
                              for f in fields))
        expect.append((fields, result))

    for h in HIDDEN:
        job("hide", os.path.join(root, h), result="ok")
    # AddFolder: (archive, entry folder, masks, flags, prefix in the archive, recurse, skip hidden)
    folder_cases = [
        ("all.zip", "", "", 5, "", True, False),
        ("skip.zip", "", "", 7, "", True, True),
        ("xml.zip", "data", "*.xml;*.csv;-~*;-backup\\*", 7, "data/", True, True),
        ("flat.zip", "", "*.TXT", 4, "", False, False),
        ("excl.zip", "\\pre\\x\\", "-*.tmp;-~*", 3, "pre/x/", True, True),  # created: missing
    ]
    for name, entry_folder, masks, flags, *_ in folder_cases:
        job("folder", z(name), root, entry_folder, masks, flags)
    # An update in place: d.xml replaced where it stood, new.xml appended, then nothing matching.
    job("copy", z("all.zip"), z("upd.zip"), result="ok")
    job("folder", z("upd.zip"), os.path.join(root2, "sub"), "sub", "*.xml", 1)
    job("copy", z("upd.zip"), z("upd-before.zip"), result="ok")
    job("folder", z("upd.zip"), root, "", "*.nomatch;-*", 1, result="53")
    job("folder", z("none.zip"), os.path.join(WORK, "missing"), "", "", 1, result="51")
    # An archive inside the folder it is made of never takes itself in.
    for _ in range(2):
        job("folder", os.path.join(root2, "self.zip"), root2, "", "", 1)
    for bad_flags, bad_entry_folder in [(8, ""), (1, "..\\up"), (1, "C:\\x")]:
        job("folder", z("bad.zip"), root, bad_entry_folder, "", bad_flags, result="E_INVALIDARG")
    # Levels, refused values leaving the setting, Pack at level 0.
    job("level", 10, result="E_INVALIDARG")
    job("level", -1, result="E_INVALIDARG")
    job("level", result="8")
    for level in (0, 1, 9):
        job("level", level, result=str(level))
        job("folder", z(f"level{level}.zip"), os.path.join(root, "sub"), "", "", 5)
    job("level", 0, result="0")
    job("pack", z("pack0.zip"), "a.txt|" + winpath(os.path.join(root, "a.txt")))
    job("level", 8, result="8")
    # Encrypted: folder entries stay unencrypted.
    job("password", PASSWORD, result="ok")
    job("folder", z("zipcrypto.zip"), root, "", "-*.tmp", 7)
    job("encryption", 1, result="ok")
    job("folder", z("aes.zip"), root, "", "-*.tmp", 7)
    job("password", "", result="ok")
    # Wildcards: UnpackFiles of a pattern table from all.zip, Remove from copies.
    pick_cases = [("*.XML", "0"), ("sub/*", "0"), ("s?b", "0"), ("*.xml|a.txt", "0"),
                  ("d?ep", "57"), ("*.nomatch|a.txt", "57"), ("???", "0")]
    for i, (names, result) in enumerate(pick_cases):
        job("files", z("all.zip"), names, z(f"picked{i}"), result=result)
    remove_cases = [("*.tmp", "0"), ("sub/deep|*.csv", "0"), ("x*", "57")]
    for i, (names, result) in enumerate(remove_cases):
        job("copy", z("all.zip"), z(f"removed{i}.zip"), result="ok")
        job("remove", z(f"removed{i}.zip"), names, result=result)

    job_file, result_file = z("jobs.txt"), z("results.txt")
    with open(job_file, "w", encoding="utf-16") as f:
        f.write("\r\n".join(jobs) + "\r\n")
    run = subprocess.run([WINE, "cscript", "//nologo", JOBS_SCRIPT, winpath(job_file),
                          winpath(result_file)], capture_output=True, text=True)
    if run.returncode != 0 or not os.path.exists(result_file):
        print(run.stdout, run.stderr[-2000:])
        sys.exit("the job script did not run")
    results = open(result_file, encoding="latin-1").read().splitlines()
    check(len(results) == len(expect), f"{len(results)} results for {len(expect)} jobs")
    for (fields, wanted), got in zip(expect, results):
        check(got == wanted, f"{' '.join(map(str, fields))}: {got}, not {wanted}")

    # What each AddFolder made, against the walk with fnmatch.
    for name, _, masks, flags, prefix, recurse, skip in folder_cases:
        archive = z(name)
        peers_accept(archive)
        want = expected_entries(root, prefix, oracle(root, masks, recurse, skip))
        got = entries_of(archive)
        check(got == want, f"{name}: {[n for n, _ in got]} != {[n for n, _ in want]}")
    with zipfile.ZipFile(z("all.zip")) as a:
        empty = a.getinfo("empty/")
        check(empty.external_attr & 0x10 and empty.compress_type == 0 and empty.file_size == 0,
              "a folder entry is a stored, empty folder")
        check(a.read("link.txt") == TREE["a.txt"], "a file link is stored as its target")

    # The update kept the old order, replaced d.xml in place and appended new.xml.
    old = entries_of(z("all.zip"))
    want = [(n, b"<changed/>" if n == "sub/d.xml" else d) for n, d in old] + [("sub/new.xml", b"<new/>")]
    check(entries_of(z("upd.zip")) == want, "AddFolder updates in place")
    check(open(z("upd.zip"), "rb").read() == open(z("upd-before.zip"), "rb").read(),
          "no match leaves the archive as it was")
    want = [e for e in expected_entries(root2, "", oracle(root2, "", True, False)) if e[0] != "self.zip"]
    check(entries_of(os.path.join(root2, "self.zip")) == want, "the archive is not its own entry")
    check(not os.path.exists(z("none.zip")) and not os.path.exists(z("bad.zip")),
          "refused calls write no archive")

    # Levels: methods, the level bits of the flags, sizes, and the peers.
    sizes = {}
    for level in (0, 1, 9):
        archive = z(f"level{level}.zip")
        peers_accept(archive)
        with zipfile.ZipFile(archive) as a:
            files = [i for i in a.infolist() if not i.is_dir()]
            method, bits = {0: (0, 0), 1: (8, 4), 9: (8, 2)}[level]
            check(all((i.compress_type, i.flag_bits & 6) == (method, bits) for i in files),
                  f"level {level}: method and level bits")
            sizes[level] = sum(i.compress_size for i in files)
    check(sizes[9] <= sizes[1] < sizes[0], f"sizes by level {sizes}")
    peers_accept(z("pack0.zip"))
    with zipfile.ZipFile(z("pack0.zip")) as a:
        check(a.infolist()[0].compress_type == 0, "Pack at level 0 stores")

    # Encrypted archives.
    peers_accept(z("zipcrypto.zip"), PASSWORD)
    peers_accept(z("aes.zip"), PASSWORD, aes=True)
    for name in ("zipcrypto.zip", "aes.zip"):
        with zipfile.ZipFile(z(name)) as a:
            check(all((i.flag_bits & 1) == (0 if i.is_dir() else 1) for i in a.infolist()),
                  f"{name}: files encrypted, folder entries not")

    # Wildcards, against fnmatch over the whole entry name or a folder it lies in.
    names = [n for n, _ in old]

    def picks(pattern, name):
        key = name.rstrip("/").upper()
        parts = key.split("/")
        return any(fnmatch.fnmatchcase("/".join(parts[:k]), pattern.upper()) for k in range(1, len(parts) + 1))

    for i, (pattern, result) in enumerate(pick_cases):
        out = z(f"picked{i}")
        if result != "0":
            check(not os.path.exists(out), f"UnpackFiles {pattern}: nothing made")
            continue
        want = sorted(n.rstrip("/") for n in names if any(picks(p, n) for p in pattern.split("|")))
        got = sorted(os.path.relpath(os.path.join(d, f), out)
                     for d, dirs, files in os.walk(out) for f in files + [x for x in dirs if not os.listdir(os.path.join(d, x))])
        check(got == want, f"UnpackFiles {pattern}: {got} != {want}")
    for i, (pattern, result) in enumerate(remove_cases):
        archive = z(f"removed{i}.zip")
        want = names if result != "0" else [n for n in names if not any(picks(p, n) for p in pattern.split("|"))]
        check([n for n, _ in entries_of(archive)] == want, f"Remove {pattern}")
        if result == "0":
            peers_accept(archive)

    print(f"{len(failures)} failures")
    sys.exit(1 if failures else 0)


main()

#!/usr/bin/env python3
"""check-narrowing.py X86_BUILD_DIR: compiles every source of the 32-bit DLL once more with clang
(syntax only) for i686-w64-windows-gnu, with -Wshorten-64-to-32 as an error: a 64-bit size or
offset silently kept in a 32-bit size_t, long or pointer-sized integer fails the build. GCC has no
such warning; this is the check that Zip64 and FTP/SFTP offsets survive the 32-bit build."""
import glob
import json
import os
import shlex
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

build = sys.argv[1]
commands = json.load(open(os.path.join(build, "compile_commands.json")))
triple = "i686-w64-mingw32"
gcc = sorted(glob.glob(f"/usr/lib/gcc/{triple}/*-posix/include/c++"))[-1]
system = [f"-isystem{gcc}", f"-isystem{gcc}/{triple}", f"-isystem{gcc}/backward",
          f"-isystem/usr/{triple}/include"]
dropped = {"-c", "-Werror", "-Wall", "-finput-charset=UTF-8", "-fexec-charset=UTF-8",
           "-msse2", "-mfpmath=sse"}


def check(entry):
    args = shlex.split(entry["command"])
    if not entry["file"].endswith((".c", ".cpp")):
        return ""
    compiler = "clang++" if args[0].endswith("++-posix") else "clang"
    out = [compiler, "--target=i686-w64-windows-gnu", "-fsyntax-only", "-Wno-everything",
           "-Werror=shorten-64-to-32", "-D_GLIBCXX_HAS_GTHREADS"] + system
    skip = False
    for a in args[1:]:
        if skip:
            skip = False
        elif a == "-o":
            skip = True
        elif a not in dropped and not a.startswith("-O"):
            out.append("@" + os.path.join(entry["directory"], a[1:]) if a.startswith("@") else a)
    r = subprocess.run(out, cwd=entry["directory"], capture_output=True, text=True)
    return r.stderr if r.returncode else ""


with ThreadPoolExecutor(os.cpu_count() or 2) as pool:
    failures = [f for f in pool.map(check, commands) if f]
for f in failures:
    sys.stderr.write(f)
print(f"narrowing check: {len(commands)} sources, {len(failures)} failing")
sys.exit(1 if failures else 0)

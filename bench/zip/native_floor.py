#!/usr/bin/python3
"""The floor computed by the host's own zlib (the Linux build of the same library):
every file of a Pack list read in 16 KiB pieces, deflated raw at level 8, CRC-32 taken.
Prints "seconds=<wall>"; a reference for how fast this zlib code can run on this machine.

usage: native_floor.py CORPUS_DIR
"""
import os
import sys
import time
import zlib

paths = sorted(os.path.join(d, f) for d, _, fs in os.walk(sys.argv[1]) for f in fs)
start = time.perf_counter()
for path in paths:
    comp = zlib.compressobj(8, zlib.DEFLATED, -15, 8)
    crc = 0
    with open(path, "rb") as f:
        while piece := f.read(16384):
            crc = zlib.crc32(piece, crc)
            comp.compress(piece)
    comp.flush()
print(f"seconds={time.perf_counter() - start:.3f} zlib={zlib.ZLIB_RUNTIME_VERSION}")

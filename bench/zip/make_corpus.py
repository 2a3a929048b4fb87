#!/usr/bin/python3
"""Deterministic benchmark corpus: CSV- and XML-like text and incompressible blobs.

usage: make_corpus.py DIR [MIB]   (default 72 MiB in about 300 files of varied sizes)
The same arguments always give the same bytes.
"""
import os
import random
import sys

out = sys.argv[1]
total = int(sys.argv[2]) if len(sys.argv) > 2 else 72
rng = random.Random(20261209)
GROUPS = ["tools", "food", "paper", "fuel", "parts", "textile"]
CITIES = ["Moscow", "Kazan", "Omsk", "Tver", "Perm", "Sochi", "Tomsk"]


def csv_bytes(size, r):
    lines = ["id;date;city;group;qty;price;comment\r\n"]
    n = 0
    length = len(lines[0])
    while length < size:
        n += 1
        line = (f"{n};2024-{r.randint(1,12):02d}-{r.randint(1,28):02d};{r.choice(CITIES)};"
                f"{r.choice(GROUPS)};{r.randint(1,999)};{r.randint(1,999999)/100:.2f};"
                f"{'ok' if r.random() < 0.9 else 'check ' + str(r.randint(1, 99999))}\r\n")
        lines.append(line)
        length += len(line)
    return "".join(lines).encode()[:size]


def xml_bytes(size, r):
    parts = ['<?xml version="1.0" encoding="utf-8"?>\n<rows>\n']
    length = len(parts[0])
    while length < size:
        p = (f'  <row sku="{r.randint(10000, 99999)}" group="{r.choice(GROUPS)}">'
             f'<name>item {r.randint(1, 50000)}</name><weight>{r.randint(1, 9000)}</weight>'
             f'<city>{r.choice(CITIES)}</city></row>\n')
        parts.append(p)
        length += len(p)
    return "".join(parts).encode()[:size]


def blob_bytes(size, r):
    return r.randbytes(size)


def main():
    os.makedirs(out, exist_ok=True)
    budget = total * 1024 * 1024
    written = 0
    i = 0
    while written < budget:
        kind = rng.choice(["csv", "csv", "xml", "xml", "bin"])
        # Mostly small and medium files, a few large ones.
        size = int(rng.choice([2e3, 1e4, 5e4, 1e5, 2e5, 4e5, 1.2e6]) * rng.uniform(0.5, 1.5))
        size = min(size, budget - written) or 1
        folder = os.path.join(out, f"d{i % 7}")
        os.makedirs(folder, exist_ok=True)
        data = {"csv": csv_bytes, "xml": xml_bytes, "bin": blob_bytes}[kind](size, rng)
        with open(os.path.join(folder, f"f{i:04d}.{kind}"), "wb") as f:
            f.write(data)
        written += len(data)
        i += 1
    print(f"{i} files, {written / 1048576:.1f} MiB in {out}")


if __name__ == "__main__":
    main()

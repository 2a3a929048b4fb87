#!/usr/bin/env bash
# run.sh BUILD_DIR: Pack and Unpack timings against Info-ZIP and the raw zlib floor, the cost
# of a password, AES-256 Pack against traditional Pack (with CNG's own share), AES-256 Unpack
# of a 7-Zip archive against its unencrypted twin, peak memory
# on one 512 MiB file, and Pack and Unpack of one 5 GiB file (Zip64) against zip -8 and unzip
# with their peak memory; List, Test and Add against unzip -l, unzip -t and packing again.
# Prints a table with every ratio.
# run.sh BUILD_DIR unpack: only the rows of Unpack on every core (see unpack_rows below).
# run.sh BUILD_DIR folder: only AddFolder of the corpus folder against zip -r -8 (folder_rows).
# run.sh BUILD_DIR methods: only the rows of Unpack of the other methods against 7z x (see
# method_rows below).
# Build first: cmake --build BUILD_DIR --target zip_bench
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:?build dir}" && pwd)
bench="$build/bench-bin/zip_bench.exe"
[ -f "$bench" ] || { echo "missing $bench: cmake --build $build --target zip_bench" >&2; exit 1; }
eval "$("$root/scripts/wine-session.sh" env "$build")"
"$root/scripts/wine-session.sh" start "$build"

work="$build/bench-zip"
corpus="$work/corpus"
mkdir -p "$work"
[ -d "$corpus" ] || /usr/bin/python3 "$here/make_corpus.py" "$corpus" 72
winpath() { echo "Z:${1//\//\\}"; }

# The Pack list: entry name (relative, backslashes) TAB source path, one pair a line.
list="$work/corpus.list"
(cd "$corpus" && find . -type f | sort | sed 's|^\./||') | while read -r rel; do
  printf '%s\t%s\n' "${rel//\//\\}" "$(winpath "$corpus/$rel")"
done > "$list"

# The same corpus from 7-Zip, plain and AES-256 (made once, like the corpus).
aespass=bench-pass
for kind in plain aes; do
  if [ ! -f "$work/7z-$kind.zip" ]; then
    opts=(); [ "$kind" = aes ] && opts=(-mem=AES256 "-p$aespass")
    (cd "$corpus" && 7z a -tzip -bd -bso0 "${opts[@]}" "$work/7z-$kind.zip" .)
  fi
done
# Entries and encrypted bytes of the AES archive, for the CNG floor.
read -r aes_entries aes_bytes < <(/usr/bin/python3 - "$work/7z-aes.zip" <<'PY'
import sys, zipfile
infos = [i for i in zipfile.ZipFile(sys.argv[1]).infolist() if i.compress_type == 99]
print(len(infos), sum(i.compress_size for i in infos))
PY
)

field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
mib() { echo "scale=1; $1 / 1024" | bc -l; }
row() { printf '%-40s %10s %10s %8s\n' "$1" "$2" "$3" "$(echo "$2 <= $3" | bc -l | sed 's/1/yes/;s/0/NO/')"; }
best() { printf '%s\n' "$@" | sort -g | head -1; }
wall() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
ratio() { echo "scale=3; $1 / $2" | bc -l; }
runs=${RUNS:-3}

# Unpack on every core, against unzip and against one thread, both unpacking the same zip -8
# archives: the corpus's bytes as eight large files, and the corpus itself beside Wine's own
# cost of creating its files (a bare CreateFile/WriteFile loop); peak memory (the resident set
# of the whole Wine process); one 5 GiB entry (SKIP_HUGE=1 leaves it out).
# make_huge FILE: 5 GiB of zeros with a 4 MiB island of text or noise every 64 MiB, sparse on
# disk until it is zipped; the same bytes every time.
make_huge() {
  /usr/bin/python3 - "$1" <<'PY'
import random, sys
r = random.Random(5)
text = "".join(f"{i};row {i};{r.randint(0, 10**6)}\r\n" for i in range(150000)).encode()[:4 << 20]
with open(sys.argv[1], "wb") as f:
    f.truncate(5 << 30)
    for at in range(0, 5 << 30, 64 << 20):
        f.seek(at)
        f.write(text if (at >> 26) % 3 else r.randbytes(4 << 20))
PY
}

unpack_rows() {
  local eight="$work/eight" set s k
  if [ ! -d "$eight" ]; then
    mkdir -p "$eight"
    /usr/bin/python3 - "$corpus" "$eight" <<'PY'
import os, sys
src, out = sys.argv[1:]
paths = sorted(os.path.join(d, f) for d, _, fs in os.walk(src) for f in fs)
data = b"".join(open(p, "rb").read() for p in paths)
step = -(-len(data) // 8)
for i in range(8):
    with open(os.path.join(out, f"part{i}.dat"), "wb") as f:
        f.write(data[i * step:(i + 1) * step])
PY
  fi
  for set in corpus eight; do
    [ -f "$work/unpack-$set.zip" ] || (cd "$work/$set" && zip -8 -q -r "$work/unpack-$set.zip" .)
  done
  declare -A many one unz kib
  local create=()
  for set in corpus eight; do kib[$set]=0; done
  for ((i = 0; i < runs; i++)); do
    for set in corpus eight; do
      rm -rf "$work/out-u" "$work/out-u1" "$work/out-uz"
      read -r s k < <(/usr/bin/time -f "maxrss_kib=%M" wine "$bench" unpack \
        "$(winpath "$work/unpack-$set.zip")" "$(winpath "$work/out-u")" - 2>&1 |
        tr '\n' ' ' | sed 's/.*seconds=\([0-9.]*\).*maxrss_kib=\([0-9]*\).*/\1 \2/'; echo)
      many[$set]+="$s "; ((k > kib[$set])) && kib[$set]=$k
      diff -r "$work/$set" "$work/out-u" >/dev/null || echo "WARNING: Unpack of $set differs"
      one[$set]+="$(VELMOR_PACK_THREADS=1 wine "$bench" unpack "$(winpath "$work/unpack-$set.zip")" \
        "$(winpath "$work/out-u1")" - | field seconds) "
      unz[$set]+="$(wall unzip -q -o "$work/unpack-$set.zip" -d "$work/out-uz") "
    done
    rm -rf "$work/out-create"
    create+=("$(wine "$bench" createfloor "$(winpath "$list")" "$(winpath "$work/out-create")" | field seconds)")
  done
  rm -rf "$work/out-u" "$work/out-u1" "$work/out-uz" "$work/out-create"

  local hu="" huz="" hu1="" hu_kib=0
  if [ "${SKIP_HUGE:-0}" != 1 ]; then
    local hdir="$work/huge-unpack"
    mkdir -p "$hdir"
    make_huge "$hdir/huge.dat"
    rm -f "$work/huge-unpack.zip"
    (cd "$hdir" && zip -8 -q "$work/huge-unpack.zip" huge.dat)
    local sum; sum=$(md5sum < "$hdir/huge.dat"); rm -f "$hdir/huge.dat"
    rm -rf "$work/out-h" && mkdir -p "$work/out-h"
    read -r hu hu_kib < <(/usr/bin/time -f "maxrss_kib=%M" wine "$bench" unpack \
      "$(winpath "$work/huge-unpack.zip")" "$(winpath "$work/out-h")" - 2>&1 |
      tr '\n' ' ' | sed 's/.*seconds=\([0-9.]*\).*maxrss_kib=\([0-9]*\).*/\1 \2/'; echo)
    [ "$(md5sum < "$work/out-h/huge.dat")" = "$sum" ] || echo "WARNING: the 5 GiB entry did not come back intact"
    rm -rf "$work/out-h" && mkdir -p "$work/out-h"
    hu1=$(VELMOR_PACK_THREADS=1 wine "$bench" unpack "$(winpath "$work/huge-unpack.zip")" \
      "$(winpath "$work/out-h")" - | field seconds)
    rm -rf "$work/out-h"
    huz=$(wall unzip -q -o "$work/huge-unpack.zip" -d "$work/out-h")
    rm -rf "$work/out-h" "$work/huge-unpack.zip"
  fi

  echo
  echo "Unpack on $(nproc) processors (best of $runs runs; ours under Wine; zip -8 archives)"
  printf '%-40s %10s %10s %8s\n' "measure" "value" "target" "ok"
  for set in eight corpus; do
    local m o z
    m=$(best ${many[$set]}) o=$(best ${one[$set]}) z=$(best ${unz[$set]})
    printf '%-40s %10.3f\n' "Unpack, $set, s" "$m"
    printf '%-40s %10.3f\n' "Unpack on one thread, $set, s" "$o"
    printf '%-40s %10.3f\n' "unzip, $set, s" "$z"
    row "Unpack / unzip, $set" "$(ratio "$m" "$z")" "$([ $set = eight ] && echo 0.40 || echo 0.70)"
    printf '%-40s %10.3f   (no target)\n' "speed-up: one thread / Unpack, $set" "$(ratio "$o" "$m")"
    row "peak MiB (process), Unpack, $set" "$(mib "${kib[$set]}")" 64
  done
  local c; c=$(best "${create[@]}")
  printf '%-40s %10.3f   (no target: Wine creating the corpus files)\n' "floor: CreateFile/WriteFile, s" "$c"
  printf '%-40s %10.3f   (no target)\n' "floor / unzip, corpus" "$(ratio "$c" "$(best ${unz[corpus]})")"
  if [ -n "$hu" ]; then
    printf '%-40s %10.3f\n' "Unpack of one 5 GiB entry, s" "$hu"
    printf '%-40s %10.3f\n' "the same on one thread, s" "$hu1"
    printf '%-40s %10.3f\n' "unzip of it, s" "$huz"
    row "Unpack / unzip, 5 GiB entry" "$(ratio "$hu" "$huz")" 1.00
    row "peak MiB (process), Unpack of 5 GiB" "$(mib "$hu_kib")" 64
  fi
}

# Unpack on every core of the corpus as 7-Zip's BZip2, LZMA and Deflate64 archives and as
# Zstandard records (the zstd tool's output, wrapped as the methods test wraps it), against
# 7z x of the same archives; each output compared with the corpus once.
method_rows() {
  local m out
  for m in BZip2 LZMA Deflate64; do
    [ -f "$work/method-$m.zip" ] || (cd "$corpus" && 7z a -tzip -bd -bso0 -mm=$m "$work/method-$m.zip" .)
  done
  [ -f "$work/method-Zstandard.zip" ] || /usr/bin/python3 - "$root" "$corpus" "$work/method-Zstandard.zip" <<'PY'
import os, sys
sys.path.insert(0, os.path.join(sys.argv[1], "tests", "zip", "read"))
from methods_dll_test import wrapped
folder = sys.argv[2]
names = sorted(os.path.relpath(os.path.join(d, f), folder).replace(os.sep, "/")
               for d, _, fs in os.walk(folder) for f in fs)
wrapped(sys.argv[3], folder, names, ["zstd", "-q", "-3"], 93)
PY
  declare -A ours sevenz
  for ((i = 0; i < runs; i++)); do
    for m in BZip2 LZMA Zstandard Deflate64; do
      out="$work/out-m"
      rm -rf "$out" && mkdir -p "$out"
      ours[$m]+="$(wine "$bench" unpack "$(winpath "$work/method-$m.zip")" "$(winpath "$out")" - | field seconds) "
      ((i == 0)) && { diff -r "$corpus" "$out" >/dev/null || echo "WARNING: Unpack of the $m archive differs"; }
      rm -rf "$out"
      sevenz[$m]+="$(wall 7z x -y -bd -bso0 -o"$out" "$work/method-$m.zip") "
    done
  done
  rm -rf "$work/out-m"
  echo
  echo "Unpack of other methods on $(nproc) processors (best of $runs runs; ours under Wine; 7z x native)"
  printf '%-40s %10s %10s %8s\n' "measure" "value" "target" "ok"
  for m in BZip2 LZMA Zstandard Deflate64; do
    local o z
    o=$(best ${ours[$m]}) z=$(best ${sevenz[$m]})
    printf '%-40s %10.3f\n' "Unpack, $m archive, s" "$o"
    printf '%-40s %10.3f\n' "7z x, $m archive, s" "$z"
    row "Unpack / 7z x, $m" "$(ratio "$o" "$z")" 1.00
  done
}
if [ "${2:-}" = unpack ]; then
  unpack_rows
  exit 0
fi
if [ "${2:-}" = methods ]; then
  method_rows
  exit 0
fi

# AddFolder of the corpus folder into a new archive against zip -r -8 of the same folder.
folder_rows() {
  local ours=() theirs=()
  for ((i = 0; i < runs; i++)); do
    rm -f "$work/folder.zip" "$work/folder-infozip.zip"
    ours+=("$(wine "$bench" folder "$(winpath "$work/folder.zip")" "$(winpath "$corpus")" | field seconds)")
    theirs+=("$(cd "$corpus" && wall zip -r -8 -q "$work/folder-infozip.zip" .)")
  done
  unzip -tq "$work/folder.zip" >/dev/null || echo "WARNING: the AddFolder archive does not test clean"
  local a z; a=$(best "${ours[@]}") z=$(best "${theirs[@]}")
  echo
  echo "AddFolder on $(nproc) processors (best of $runs runs; ours under Wine)"
  printf '%-40s %10s %10s %8s\n' "measure" "value" "target" "ok"
  printf '%-40s %10.3f\n' "AddFolder of the corpus, s" "$a"
  printf '%-40s %10.3f\n' "zip -r -8 -q of it, s" "$z"
  row "AddFolder / zip -r -8" "$(ratio "$a" "$z")" 0.60
  rm -f "$work/folder.zip" "$work/folder-infozip.zip"
}
if [ "${2:-}" = folder ]; then
  folder_rows
  exit 0
fi

# Pack with its peak memory (the resident set of the whole Wine process): "seconds maxrss_kib".
pack_rss() {
  local out
  out=$(/usr/bin/time -f "maxrss_kib=%M" wine "$bench" pack "$@" 2>&1)
  echo "$(echo "$out" | field seconds) $(echo "$out" | field maxrss_kib)"
}
pack=() pack1=() packpw=() packaes=() packpw1=() packaes1=() cngpack=() floor=() native=() zip8=() unpack=() unzip_=() un7z=() unaes=() cng=()
pack_kib=0 pack1_kib=0
for ((i = 0; i < runs; i++)); do
  rm -f "$work/ours.zip" "$work/ours-1.zip" "$work/ours-pw.zip" "$work/infozip.zip"
  read -r s k < <(pack_rss "$(winpath "$work/ours.zip")" "$(winpath "$list")" -)
  pack+=("$s"); ((k > pack_kib)) && pack_kib=$k
  read -r s k < <(VELMOR_PACK_THREADS=1 pack_rss "$(winpath "$work/ours-1.zip")" "$(winpath "$list")" -)
  pack1+=("$s"); ((k > pack1_kib)) && pack1_kib=$k
  packpw+=("$(wine "$bench" pack "$(winpath "$work/ours-pw.zip")" "$(winpath "$list")" bench-pass | field seconds)")
  rm -f "$work/ours-aes.zip" "$work/ours-aes-1.zip" "$work/ours-pw-1.zip"
  packaes+=("$(wine "$bench" pack "$(winpath "$work/ours-aes.zip")" "$(winpath "$list")" bench-pass aes | field seconds)")
  packpw1+=("$(VELMOR_PACK_THREADS=1 wine "$bench" pack "$(winpath "$work/ours-pw-1.zip")" "$(winpath "$list")" bench-pass | field seconds)")
  packaes1+=("$(VELMOR_PACK_THREADS=1 wine "$bench" pack "$(winpath "$work/ours-aes-1.zip")" "$(winpath "$list")" bench-pass aes | field seconds)")
  # CNG alone for what that AES Pack derived, encrypted and authenticated, on one thread.
  read -r pack_entries pack_bytes < <(/usr/bin/python3 - "$work/ours-aes-1.zip" <<'PY'
import sys, zipfile
infos = [i for i in zipfile.ZipFile(sys.argv[1]).infolist() if i.compress_type == 99]
print(len(infos), sum(i.compress_size - 28 for i in infos))
PY
)
  cngpack+=("$(wine "$bench" cngfloor "$pack_entries" "$pack_bytes" bench-pass | field seconds)")
  floor+=("$(wine "$bench" floor "$(winpath "$list")" | field seconds)")
  native+=("$(/usr/bin/python3 "$here/native_floor.py" "$corpus" | field seconds)")
  zip8+=("$(cd "$corpus" && wall zip -8 -q -r "$work/infozip.zip" .)")
  rm -rf "$work/out-ours" "$work/out-unzip" && mkdir -p "$work/out-ours" "$work/out-unzip"
  unpack+=("$(wine "$bench" unpack "$(winpath "$work/ours.zip")" "$(winpath "$work/out-ours")" - | field seconds)")
  unzip_+=("$(wall unzip -q -o "$work/infozip.zip" -d "$work/out-unzip")")
  rm -rf "$work/out-7z" "$work/out-aes" && mkdir -p "$work/out-7z" "$work/out-aes"
  un7z+=("$(wine "$bench" unpack "$(winpath "$work/7z-plain.zip")" "$(winpath "$work/out-7z")" - | field seconds)")
  unaes+=("$(wine "$bench" unpack "$(winpath "$work/7z-aes.zip")" "$(winpath "$work/out-aes")" "$aespass" | field seconds)")
  cng+=("$(wine "$bench" cngfloor "$aes_entries" "$aes_bytes" "$aespass" | field seconds)")
done
diff -r "$corpus" "$work/out-aes" >/dev/null || echo "WARNING: AES Unpack output differs from the corpus"
diff -r "$corpus" "$work/out-ours" >/dev/null || echo "WARNING: Unpack output differs from the corpus"

# Memory: one 512 MiB file (text and noise mixed), packed and unpacked.
big="$work/big/big.dat"
if [ ! -f "$big" ]; then
  mkdir -p "$work/big"
  /usr/bin/python3 - "$big" <<'PY'
import random, sys
r = random.Random(512)
chunk_text = "".join(f"{i};row {i};{r.randint(0, 10**6)}\r\n" for i in range(40000)).encode()
with open(sys.argv[1], "wb") as f:
    left = 512 * 1024 * 1024
    while left > 0:
        piece = chunk_text if r.random() < 0.7 else r.randbytes(1 << 20)
        piece = piece[:left]
        f.write(piece)
        left -= len(piece)
PY
fi
printf 'big.dat\t%s\n' "$(winpath "$big")" > "$work/big.list"
rm -f "$work/big.zip"; rm -rf "$work/out-big" && mkdir -p "$work/out-big"
# Peak memory is the maximum resident set of the whole Wine process (Wine's own share
# included), which is stricter than the private bytes the program sees grow.
maxrss() { /usr/bin/time -f "maxrss_kib=%M" "$@" 2>&1 >/dev/null | field maxrss_kib; }
read -r bp bp_kib < <(pack_rss "$(winpath "$work/big.zip")" "$(winpath "$work/big.list")" -)
mem_pack=$(mib "$bp_kib")
rm -f "$work/big-infozip.zip"
bz=$(cd "$work/big" && wall zip -8 -q "$work/big-infozip.zip" big.dat)
mem_unpack=$(mib "$(maxrss wine "$bench" unpack "$(winpath "$work/big.zip")" "$(winpath "$work/out-big")" -)")
cmp -s "$big" "$work/out-big/big.dat" || echo "WARNING: the 512 MiB file did not come back intact"

# One 5 GiB file (Zip64): zeros with a 4 MiB island of text and noise every 64 MiB, kept
# sparse on disk. Pack and Unpack against zip -8 and unzip, one run each, with peak memory.
huge="$work/huge/huge.dat"
if [ ! -f "$huge" ]; then
  mkdir -p "$work/huge"
  make_huge "$huge"
fi
printf 'huge.dat\t%s\n' "$(winpath "$huge")" > "$work/huge.list"
timed_rss() { /usr/bin/time -f "wall=%e maxrss_kib=%M" "$@" 2>&1 >/dev/null | tail -1; }
rm -f "$work/huge.zip" "$work/huge-infozip.zip"
read -r hp hp_kib < <(pack_rss "$(winpath "$work/huge.zip")" "$(winpath "$work/huge.list")" -)
hp_mem=$(mib "$hp_kib")
hz=$(cd "$work/huge" && timed_rss zip -8 -q "$work/huge-infozip.zip" huge.dat | field wall)
rm -rf "$work/out-huge" "$work/out-huge-unzip" && mkdir -p "$work/out-huge" "$work/out-huge-unzip"
hu_out=$(/usr/bin/time -f "maxrss_kib=%M" wine "$bench" unpack "$(winpath "$work/huge.zip")" "$(winpath "$work/out-huge")" - 2>&1)
hu=$(echo "$hu_out" | field seconds); hu_mem=$(mib "$(echo "$hu_out" | field maxrss_kib)")
cmp -s "$huge" "$work/out-huge/huge.dat" || echo "WARNING: the 5 GiB file did not come back intact"
rm -rf "$work/out-huge"
huz=$(timed_rss unzip -q -o "$work/huge-infozip.zip" -d "$work/out-huge-unzip" | field wall)
rm -rf "$work/out-huge-unzip"

# Looking inside and changing in place: List of 10,000 entries against unzip -l, Test of the
# corpus archive against unzip -t, and Add of one small file to the 512 MiB archive against
# packing it again.
many="$work/many.zip"
[ -f "$many" ] || /usr/bin/python3 - "$many" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(10000):
        z.writestr(f"folder{i // 100:03d}/entry{i:05d}.txt", f"entry {i}\n" * (i % 7))
PY
lst=() lstu=() tst=() tstu=() add=()
printf 'added.txt\t%s\n' "$(head -1 "$list" | cut -f2)" > "$work/add.list"
for ((i = 0; i < runs; i++)); do
  lst+=("$(wine "$bench" list "$(winpath "$many")" | field seconds)")
  lstu+=("$(wall unzip -l "$many")")
  tst+=("$(wine "$bench" test "$(winpath "$work/infozip.zip")" - | field seconds)")
  tstu+=("$(wall unzip -tq "$work/infozip.zip")")
  cp "$work/big.zip" "$work/big-add.zip"
  add+=("$(wine "$bench" add "$(winpath "$work/big-add.zip")" "$(winpath "$work/add.list")" | field seconds)")
done
unzip -tq "$work/big-add.zip" >/dev/null || echo "WARNING: the archive after Add does not test clean"
rm -f "$work/big-add.zip"

cmp -s "$work/ours.zip" "$work/ours-1.zip" || echo "WARNING: one thread and several packed different archives"
p1=$(best "${pack1[@]}")
pa=$(best "${packaes[@]}") pp1=$(best "${packpw1[@]}") pa1=$(best "${packaes1[@]}") cp=$(best "${cngpack[@]}")
p=$(best "${pack[@]}") pp=$(best "${packpw[@]}") f=$(best "${floor[@]}") nf=$(best "${native[@]}") z=$(best "${zip8[@]}")
u=$(best "${unpack[@]}") uz=$(best "${unzip_[@]}")
u7=$(best "${un7z[@]}") ua=$(best "${unaes[@]}") cf=$(best "${cng[@]}")
size=$(du -sm "$corpus" | cut -f1); files=$(wc -l < "$list")
echo
echo "ZIP engine benchmark: $files files, ${size} MiB (best of $runs runs; ours under Wine)"
printf '%-40s %10s %10s %8s\n' "measure" "value" "target" "ok"
printf '%-40s %10.3f\n' "Pack, s" "$p"
printf '%-40s %10.3f\n' "Pack on one thread, s" "$p1"
printf '%-40s %10.3f\n' "zip -8 -q -r, s" "$z"
printf '%-40s %10.3f\n' "floor: zlib level 8 + CRC-32, s" "$f"
printf '%-40s %10.3f\n' "same floor, Linux build of zlib, s" "$nf"
printf '%-40s %10.3f\n' "Pack with password, s" "$pp"
printf '%-40s %10.3f\n' "Pack with AES-256, s" "$pa"
printf '%-40s %10.3f\n' "Pack with password on one thread, s" "$pp1"
printf '%-40s %10.3f\n' "Pack with AES-256 on one thread, s" "$pa1"
printf '%-40s %10.3f\n' "CNG alone for that AES Pack, s" "$cp"
printf '%-40s %10.3f\n' "Unpack, s" "$u"
printf '%-40s %10.3f\n' "unzip -q -o, s" "$uz"
printf '%-40s %10.3f\n' "Unpack, 7-Zip archive, s" "$u7"
printf '%-40s %10.3f\n' "Unpack, 7-Zip AES-256 archive, s" "$ua"
printf '%-40s %10.3f\n' "CNG alone for that AES archive, s" "$cf"
row "Pack / zip -8 ($(nproc) processors)" "$(ratio "$p" "$z")" 0.60
printf '%-40s %10.3f   (no target)\n' "speed-up: one thread / Pack" "$(ratio "$p1" "$p")"
row "Pack on one thread / zip -8" "$(ratio "$p1" "$z")" 1.00
row "Pack on one thread / floor" "$(ratio "$p1" "$f")" 1.10
row "peak MiB (process), Pack of the corpus" "$(mib "$pack_kib")" 64
row "peak MiB, Pack of the corpus, one thread" "$(mib "$pack1_kib")" 32
printf '%-40s %10.3f   (no target: the floor Pack stands on)\n' "floor / zip -8" "$(ratio "$f" "$z")"
printf '%-40s %10.3f   (no target: the two builds of zlib)\n' "floor / floor of the Linux build" "$(ratio "$f" "$nf")"
row "Unpack / unzip" "$(ratio "$u" "$uz")" 1.00
row "Pack with password / Pack" "$(ratio "$pp" "$p")" 1.25
printf '%-40s %10.3f   (no target)\n' "AES-256 Pack / traditional Pack" "$(ratio "$pa" "$pp")"
printf '%-40s %10.3f   (no target)\n' "the same, one thread" "$(ratio "$pa1" "$pp1")"
printf '%-40s %10.3f   (no target: AES Pack without its CNG share)\n' \
  "(AES Pack - CNG) / traditional, 1 thread" "$(ratio "$(echo "$pa1 - $cp" | bc -l)" "$pp1")"
row "AES-256 Unpack / Unpack (7-Zip archives)" "$(ratio "$ua" "$u7")" 1.50
printf '%-40s %10.3f   (no target: AES Unpack without its CNG share)\n' "(AES Unpack - CNG) / Unpack" \
  "$(ratio "$(echo "$ua - $cf" | bc -l)" "$u7")"
printf '%-40s %10.3f\n' "Pack of 512 MiB, s" "$bp"
printf '%-40s %10.3f\n' "zip -8 of 512 MiB, s" "$bz"
row "Pack / zip -8, 512 MiB" "$(ratio "$bp" "$bz")" 1.00
row "peak MiB (process), Pack of 512 MiB" "$mem_pack" 32
row "peak MiB (process), Unpack of 512 MiB" "$mem_unpack" 32
printf '%-40s %10.3f\n' "Pack of 5 GiB (Zip64), s" "$hp"
printf '%-40s %10.3f\n' "zip -8 of 5 GiB, s" "$hz"
printf '%-40s %10.3f\n' "Unpack of 5 GiB, s" "$hu"
printf '%-40s %10.3f\n' "unzip of 5 GiB, s" "$huz"
row "Pack / zip -8, 5 GiB" "$(ratio "$hp" "$hz")" 1.00
row "Unpack / unzip, 5 GiB" "$(ratio "$hu" "$huz")" 1.00
row "peak MiB (process), Pack of 5 GiB" "$hp_mem" 32
row "peak MiB (process), Unpack of 5 GiB" "$hu_mem" 32
l=$(best "${lst[@]}") lu=$(best "${lstu[@]}") t=$(best "${tst[@]}") tu=$(best "${tstu[@]}") a=$(best "${add[@]}")
printf '%-40s %10.3f\n' "List of 10,000 entries, s" "$l"
printf '%-40s %10.3f\n' "unzip -l of 10,000 entries, s" "$lu"
printf '%-40s %10.3f\n' "Test of the corpus archive, s" "$t"
printf '%-40s %10.3f\n' "unzip -t of it, s" "$tu"
printf '%-40s %10.3f\n' "Add of one file to 512 MiB, s" "$a"
row "List / unzip -l, 10,000 entries" "$(ratio "$l" "$lu")" 1.00
row "Test / unzip -t, corpus" "$(ratio "$t" "$tu")" 1.00
row "Add one file / Pack again, 512 MiB" "$(ratio "$a" "$bp")" 0.10
unpack_rows
folder_rows
method_rows

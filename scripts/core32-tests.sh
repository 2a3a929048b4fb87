#!/usr/bin/env bash
# core32-tests.sh [BUILD_DIR]: builds the platform-free core for 32-bit x86 with clang -m32 (no
# sanitizers) into BUILD_DIR/native32 and runs its unit tests, labelled core32, under qemu-i386:
# the core where size_t and pointers are 32 bits and sizes and offsets are not. zlib and
# libcrypto are Debian's i386 packages, GoogleTest is built in the tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD_DIR:-$root/build}}/native32
jobs=${VELMOR_JOBS:-2}
mkdir -p "$build"
build=$(cd "$build" && pwd)
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root/native" -B "$build" -DVELMOR_CORE32=ON >/dev/null
fi
cmake --build "$build" -j"$jobs" >/dev/null
cd "$build"
ctest --output-on-failure --timeout 300 -j"$jobs" -L core32

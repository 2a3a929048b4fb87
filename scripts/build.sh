#!/usr/bin/env bash
# build.sh [BUILD_DIR]: configures (once) and builds the 64-bit library with its tests,
# benchmarks and examples into BUILD_DIR, and the 32-bit library (the DLL and its type library
# alone: no 32-bit program runs on this machine) into BUILD_DIR/x86, from the same sources.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
mkdir -p "$build"
build=$(cd "$build" && pwd)
# A configure that failed leaves a cache without a Makefile: configure again.
if [ ! -f "$build/Makefile" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" >/dev/null
fi
cmake --build "$build" -j"$(nproc)"
x86=$build/x86
if [ ! -f "$x86/Makefile" ]; then
  cmake -S "$root" -B "$x86" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" \
    -DVELMOR_BUILD_TESTS=OFF -DVELMOR_BUILD_BENCH=OFF -DVELMOR_BUILD_EXAMPLES=OFF \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
fi
cmake --build "$x86" -j"$(nproc)" --target VelmorCOM

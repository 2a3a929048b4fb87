#!/usr/bin/env bash
# native-tests.sh [BUILD_DIR]: builds the platform-free core for Linux with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer into BUILD_DIR/native and runs its unit tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD_DIR:-$root/build}}/native
mkdir -p "$build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root/native" -B "$build" >/dev/null
fi
cmake --build "$build" -j"$(nproc)" >/dev/null
cd "$build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure --timeout 300

#!/usr/bin/env bash
# native-tests.sh [BUILD_DIR]: builds the platform-free core for Linux with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer into BUILD_DIR/native and runs its unit tests;
# then the tests of code that runs threads under ThreadSanitizer, from BUILD_DIR/native-tsan.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD_DIR:-$root/build}}/native
mkdir -p "$build"
build=$(cd "$build" && pwd)
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root/native" -B "$build" >/dev/null
fi
cmake --build "$build" -j"$(nproc)" >/dev/null
cd "$build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure --timeout 300

tsan=$build-tsan
tsan_tests=(zip_parallel_pack zip_parallel_extract age_parallel_chunks)
mkdir -p "$tsan"
# Configured every time: a build of named targets alone would not see a test added since.
CC=clang CXX=clang++ cmake -S "$root/native" -B "$tsan" -DVELMOR_TSAN=ON >/dev/null
cmake --build "$tsan" -j"$(nproc)" --target "${tsan_tests[@]}" >/dev/null
cd "$tsan"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --output-on-failure --timeout 300 -R "^native_($(IFS='|'; echo "${tsan_tests[*]}"))\$"

#!/usr/bin/env bash
# Installs what is missing, builds both DLLs, checks that the sources are formatted and that the
# 32-bit build keeps no 64-bit value in a narrower integer, and runs every test:
# the Windows binaries under Wine in a virtual display, then the platform-free core natively under
# the sanitizers, then each fuzz target for a bounded time (VELMOR_FUZZ_SECONDS, 20 by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"
build=$(cd "$build" && pwd)
# A fresh prefix for every full run.
"$root/scripts/wine-session.sh" stop "$build"
rm -rf "$build/wineprefix"
rc=0
"$root/scripts/check-format.sh" || rc=1
"$root/scripts/check-narrowing.py" "$build/x86" || rc=1
# The native core (sanitizers, then 32-bit under qemu-i386) runs beside the Wine tests, which
# leave the second processor mostly idle; its output follows theirs.
core_log=$build/core-tests.log
(
  core_rc=0
  "$root/scripts/native-tests.sh" "$build" || core_rc=1
  "$root/scripts/core32-tests.sh" "$build" || core_rc=1
  # The fuzz targets are built while the Windows tests run; they run after them.
  "$root/scripts/fuzz.sh" 0 "$build" || core_rc=1
  exit $core_rc
) >"$core_log" 2>&1 &
core_pid=$!
xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/ctest-session.sh" "$build" "$@" || rc=1
wait "$core_pid" || rc=1
cat "$core_log"
"$root/scripts/fuzz.sh" "${VELMOR_FUZZ_SECONDS:-20}" "$build" || rc=1
exit $rc

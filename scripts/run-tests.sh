#!/usr/bin/env bash
# Installs what is missing, builds both DLLs, checks that the sources are formatted and that the
# 32-bit build keeps no 64-bit value in a narrower integer, and runs every test:
# the Windows binaries under Wine in a virtual display, then the platform-free core natively under
# the sanitizers, then each fuzz target for a bounded time (VELMOR_FUZZ_SECONDS, 40 by default).
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
xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/ctest-session.sh" "$build" "$@" || rc=1
"$root/scripts/native-tests.sh" "$build" || rc=1
"$root/scripts/core32-tests.sh" "$build" || rc=1
"$root/scripts/fuzz.sh" "${VELMOR_FUZZ_SECONDS:-40}" "$build" || rc=1
exit $rc

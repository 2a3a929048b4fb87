#!/usr/bin/env bash
# run.sh [BUILD_DIR] [RUNS]: exchange-server times for 1,000, 10,000 and
# 100,000 devices and the cost per device, printed as a table. Under Wine,
# generating the 100,000-device folder alone takes about ten minutes (each new
# file name makes Wine search the whole folder for other spellings of it).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
"$root/scripts/build.sh" "$build" >/dev/null
build=$(cd "$build" && pwd)
eval "$("$root/scripts/wine-session.sh" env "$build")"
"$root/scripts/wine-session.sh" start "$build"
wine "$build/bench-bin/bench_server.exe" "${2:-3}"

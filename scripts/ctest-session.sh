#!/usr/bin/env bash
# ctest-session.sh BUILD_DIR [ctest args...]: starts the build's wineserver, runs CTest, stops it.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd); shift
"$root/scripts/wine-session.sh" start "$build"
cd "$build"
ctest --output-on-failure --timeout 300 "$@"
rc=$?
"$root/scripts/wine-session.sh" stop "$build"
exit $rc

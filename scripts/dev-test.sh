#!/usr/bin/env bash
# For development: dev-test.sh BUILD_DIR [ctest args...]
# Builds, makes sure the build's wineserver runs, and runs CTest with the given arguments.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build dir}; shift
mkdir -p "$build"
build=$(cd "$build" && pwd)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2
"$root/scripts/wine-session.sh" start "$build"
cd "$build" && ctest --output-on-failure "$@"

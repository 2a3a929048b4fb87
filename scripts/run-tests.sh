#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine in a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"
build=$(cd "$build" && pwd)
# A fresh prefix for every full run.
"$root/scripts/wine-session.sh" stop "$build"
rm -rf "$build/wineprefix"
exec xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/ctest-session.sh" "$build" "$@"

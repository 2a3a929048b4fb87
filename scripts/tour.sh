#!/usr/bin/env bash
# Installs what is missing, builds both DLLs (the 64-bit one in BUILD_DIR/bin, the 32-bit one in
# BUILD_DIR/x86/bin), registers the 64-bit one in the project's Wine prefix and runs the tour:
# every finished component driven late-bound from scripts. Only 64-bit Wine runs here, so the
# tour drives the 64-bit DLL; the 32-bit one is built from the same sources, but not run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"
build=$(cd "$build" && pwd)
exec xvfb-run -a -s "-screen 0 1024x768x24" "$root/examples/tour.sh" "$build"

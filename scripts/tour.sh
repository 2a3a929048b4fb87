#!/usr/bin/env bash
# Installs what is missing, builds, registers the library in the project's Wine prefix and runs
# the tour: every finished component driven late-bound from scripts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"
build=$(cd "$build" && pwd)
exec xvfb-run -a -s "-screen 0 1024x768x24" "$root/examples/tour.sh" "$build"

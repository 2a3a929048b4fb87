#!/usr/bin/env bash
# run.sh [BUILD_DIR] [CALLS]: Distance call rates and name-lookup rates, printed as a table.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
"$root/scripts/build.sh" "$build" >/dev/null
build=$(cd "$build" && pwd)
eval "$("$root/scripts/wine-session.sh" env "$build")"
"$root/scripts/wine-session.sh" start "$build"
wine regsvr32 /s "Z:${build//\//\\}\\bin\\VelmorCOM.dll"
wine "$build/bench-bin/bench_dispatch.exe" "${2:-200000}"

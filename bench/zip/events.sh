#!/usr/bin/env bash
# events.sh BUILD_DIR: the cost of OrvZip's progress events. Packs and unpacks the benchmark
# corpus through the registered library, alternately with a sink connected and without, in one
# process, and prints the best time of each and their ratios (at most 1.02 is the aim).
# Build first: cmake --build BUILD_DIR --target VelmorCOM zip_events_bench
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:?build dir}" && pwd)
bench="$build/bench-bin/zip_events_bench.exe"
[ -f "$bench" ] || { echo "missing $bench: cmake --build $build --target zip_events_bench" >&2; exit 1; }
eval "$("$root/scripts/wine-session.sh" env "$build")"
"$root/scripts/wine-session.sh" start "$build"
winpath() { echo "Z:${1//\//\\}"; }
wine regsvr32 /s "$(winpath "$build/bin/VelmorCOM.dll")"

work="$build/bench-zip"
corpus="$work/corpus"
mkdir -p "$work"
[ -d "$corpus" ] || /usr/bin/python3 "$here/make_corpus.py" "$corpus" 72
list="$work/events.list"
(cd "$corpus" && find . -type f | sort | sed 's|^\./||') | while read -r rel; do
  printf '%s\t%s\n' "${rel//\//\\}" "$(winpath "$corpus/$rel")"
done > "$list"
rm -rf "$work/events-out"
wine "$bench" "$(winpath "$work/events.zip")" "$(winpath "$list")" \
  "$(winpath "$work/events-out")" "${RUNS:-5}"

#!/usr/bin/env bash
# coverage.sh [BUILD_DIR]: line coverage that the fuzz corpora reach in the core. Builds the fuzz
# targets with clang's source-based coverage into BUILD_DIR/coverage, replays each target's seeds
# and the corpus scripts/fuzz.sh grew (BUILD_DIR/fuzz/corpus/NAME), and prints llvm-cov's report
# of the files under src/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
top=${1:-${BUILD_DIR:-$root/build}}
build=$top/coverage
mkdir -p "$build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root/native" -B "$build" -DVELMOR_FUZZ=ON -DVELMOR_COVERAGE=ON >/dev/null
fi
cmake --build "$build" -j"$(nproc)" >/dev/null
rm -f "$build"/*.profraw
objects=()
while read -r name seeds; do
  [ -n "$name" ] || continue
  corpus=("$seeds")
  [ -d "$top/fuzz/corpus/$name" ] && corpus+=("$top/fuzz/corpus/$name")
  LLVM_PROFILE_FILE="$build/$name.profraw" "$build/$name" -runs=0 "${corpus[@]}" >/dev/null 2>&1
  objects+=(-object "$build/$name")
done <"$build/fuzz_targets.txt"
[ ${#objects[@]} -gt 0 ] || { echo "coverage: no fuzz targets"; exit 0; }
llvm-profdata merge -sparse "$build"/*.profraw -o "$build/all.profdata"
llvm-cov report "${objects[@]:1}" -instr-profile="$build/all.profdata" "$root/src"

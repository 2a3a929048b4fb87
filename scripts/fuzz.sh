#!/usr/bin/env bash
# fuzz.sh SECONDS [BUILD_DIR]: builds the core's libFuzzer targets into BUILD_DIR/fuzz and runs
# each for SECONDS seconds, two at a time, starting from its seed corpus in the repository. The
# corpus each target grows stays in BUILD_DIR/fuzz/corpus/NAME, and whatever a target finds in
# BUILD_DIR/fuzz/findings/NAME. Exits non-zero on any finding. SECONDS 0 only builds them.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?usage: fuzz.sh SECONDS [BUILD_DIR]}
build=${2:-${BUILD_DIR:-$root/build}}/fuzz
mkdir -p "$build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root/native" -B "$build" -DVELMOR_FUZZ=ON >/dev/null || exit 2
fi
cmake --build "$build" -j"$(nproc)" >/dev/null || exit 2
[ "$seconds" -gt 0 ] || exit 0

run_target() {  # NAME SEEDS
  local name=$1 seeds=$2
  mkdir -p "$build/corpus/$name" "$build/findings/$name"
  ASAN_OPTIONS=detect_leaks=1 "$build/$name" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/findings/$name/" \
    "$build/corpus/$name" "$seeds" >"$build/$name.log" 2>&1
  echo "$name exit $?" >>"$build/$name.log"
}

mapfile -t targets < <(grep -v '^$' "$build/fuzz_targets.txt")
jobs=$(nproc)
running=0
for line in "${targets[@]}"; do
  read -r name seeds <<<"$line"
  run_target "$name" "$seeds" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then wait -n; running=$((running - 1)); fi
done
wait

executions=0
findings=0
for line in "${targets[@]}"; do
  read -r name _ <<<"$line"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$name.log" | tail -1)
  found=$(find "$build/findings/$name" -type f | wc -l)
  grep -q "^$name exit 0$" "$build/$name.log" || [ "$found" -gt 0 ] || found=1
  echo "$name: ${runs:-0} executions, $found findings"
  if [ "$found" -gt 0 ]; then grep -A30 -m1 -E '^==[0-9]+==|^SUMMARY|runtime error' "$build/$name.log"; fi
  executions=$((executions + ${runs:-0}))
  findings=$((findings + found))
done
echo "fuzz: ${#targets[@]} targets, $executions executions, $findings findings"
[ "$findings" -eq 0 ]

#!/usr/bin/env bash
# check-format.sh [--fix]: fails when a tracked C/C++ source differs from what clang-format makes
# of it with the tree's .clang-format, naming the files; --fix formats them in place instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
format=$(command -v clang-format-14 || command -v clang-format) ||
  { echo "clang-format is missing: run scripts/install-deps.sh" >&2; exit 1; }
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.c')
[ ${#files[@]} -gt 0 ] || exit 0
if [ "${1:-}" = "--fix" ]; then
  exec "$format" -i --style=file "${files[@]}"
fi
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if ! "$format" --dry-run -Werror --style=file "${files[@]}" 2>"$report"; then
  grep -o '^[^:]*:[0-9]*:[0-9]*: error' "$report" | cut -d: -f1 | uniq -c |
    awk '{ printf "  %s (%d places)\n", $2, $1 }' >&2
  echo "unformatted sources: scripts/check-format.sh --fix formats them" >&2
  exit 1
fi
echo "sources formatted"

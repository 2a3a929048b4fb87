#!/usr/bin/env bash
# run.sh BUILD_DIR [MiB] [rc2|age|both]: times EncryptFile/DecryptFile of one file (256 MiB by
# default, made now from /dev/urandom).
# rc2: today's format against a bare in-memory CryptEncrypt/CryptDecrypt loop over the
# same bytes (the floor on this platform, target <= 1.15x) and against
# `openssl enc -rc2-40-cbc` on the same file.
# age: Format 1 to an X25519 recipient against `age -e -r` / `age -d -i` on the same file
# (goal <= 0.8x), each side's output read by the other, and the password path's key
# derivation (an empty file) against `age -p`'s, typed on a pseudo-terminal.
# All in one run; prints a table per part.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?build dir}" && pwd)
mib=${2:-256}
mode=${3:-both}
cmake --build "$build" -j2 --target crypto_bench >/dev/null
eval "$("$root/scripts/wine-session.sh" env "$build")"
"$root/scripts/wine-session.sh" start "$build" || true  # already running is fine

work="$build/bench-crypto"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
head -c $((mib * 1024 * 1024)) /dev/urandom > "$work/plain.bin"
winpath() { echo "Z:${1//\//\\}"; }

declare -A ms
time_ms() {
  local start end
  start=$(date +%s%N)
  "$@"
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
# Best of three, as the bench program reports its own.
best_ms() {
  local best= t
  for _ in 1 2 3; do
    t=$(time_ms "$@")
    [ -z "$best" ] || [ "$t" -lt "$best" ] && best=$t
  done
  echo "$best"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

if [ "$mode" != rc2 ]; then
  age-keygen -o "$work/key.txt" 2>/dev/null
  recipient=$(age-keygen -y "$work/key.txt")
  while IFS='=' read -r name value; do
    ms[$name]=${value%$'\r'}
  done < <(wine "$build/bench-bin/crypto_bench.exe" "$(winpath "$work/plain.bin")" "$(winpath "$work")" \
             "$recipient" "$(winpath "$work/key.txt")")
  cmp -s "$work/plain.bin" "$work/bench.out" || { echo "age round trip differs" >&2; exit 1; }
  ms[encrypt_tool]=$(best_ms age -e -r "$recipient" -o "$work/tool.age" "$work/plain.bin")
  ms[decrypt_tool]=$(best_ms age -d -i "$work/key.txt" -o "$work/tool.out" "$work/tool.age")
  cmp -s "$work/plain.bin" "$work/tool.out" || { echo "age's round trip differs" >&2; exit 1; }
  age -d -i "$work/key.txt" -o "$work/cross.out" "$work/bench.age"
  cmp -s "$work/plain.bin" "$work/cross.out" || { echo "age reads other bytes from ours" >&2; exit 1; }
  rm -f "$work/bench.out" "$work/tool.out" "$work/cross.out"
  export AGE_TEST_PASSWORD=bench
  ms[kdf_tool]=$(best_ms python3 "$root/tests/crypto/age/age_pty.py" -p -o "$work/tool-empty.age" "$work/empty.bin")
  printf '%-8s %12s %12s %10s\n' "${mib}MiB" "age 1 (ms)" "age (ms)" "ratio"
  for op in encrypt decrypt kdf; do
    ours=${ms[${op}_age]} tool=${ms[${op}_tool]}
    printf '%-8s %12s %12s %9sx\n' "$op" "$ours" "$tool" "$(ratio "$ours" "$tool")"
  done
  rm -f "$work/bench.age" "$work/tool.age"
fi
[ "$mode" = age ] && exit 0

while IFS='=' read -r name value; do
  ms[$name]=${value%$'\r'}
done < <(wine "$build/bench-bin/crypto_bench.exe" "$(winpath "$work/plain.bin")" "$(winpath "$work")")
cmp -s "$work/plain.bin" "$work/bench.out" || { echo "round trip differs" >&2; exit 1; }

key=$(printf 'bench' | iconv -f UTF-8 -t UTF-16LE | openssl md5 -binary | head -c 5 | od -An -tx1 | tr -d ' \n')
rc2() { openssl enc "$@" -rc2-40-cbc -K "$key" -iv 0000000000000000 -provider legacy -provider default; }
ms[encrypt_openssl]=$(time_ms rc2 -e -in "$work/plain.bin" -out "$work/openssl.enc")
ms[decrypt_openssl]=$(time_ms rc2 -d -in "$work/openssl.enc" -out "$work/openssl.out")
cmp -s "$work/openssl.enc" "$work/bench.enc" || { echo "openssl's cipher text differs" >&2; exit 1; }

printf '%-8s %10s %12s %12s %10s %12s\n' "${mib}MiB" "file (ms)" "floor (ms)" "openssl (ms)" "vs floor" "vs openssl"
for op in encrypt decrypt; do
  file=${ms[${op}_file]} floor=${ms[${op}_floor]} ossl=${ms[${op}_openssl]}
  printf '%-8s %10s %12s %12s %9sx %11sx\n' "$op" "$file" "$floor" "$ossl" \
    "$(ratio "$file" "$floor")" "$(ratio "$file" "$ossl")"
done

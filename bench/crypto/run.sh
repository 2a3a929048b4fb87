#!/usr/bin/env bash
# run.sh BUILD_DIR [MiB]: times EncryptFile/DecryptFile of one file (256 MiB by
# default) against a bare in-memory CryptEncrypt/CryptDecrypt loop over the
# same bytes (the floor on this platform, target <= 1.15x) and against
# `openssl enc -rc2-40-cbc` on the same file, all in one run, and prints a table.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?build dir}" && pwd)
mib=${2:-256}
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
while IFS='=' read -r name value; do
  ms[$name]=${value%$'\r'}
done < <(wine "$build/bench-bin/crypto_bench.exe" "$(winpath "$work/plain.bin")" "$(winpath "$work")")
cmp -s "$work/plain.bin" "$work/bench.out" || { echo "round trip differs" >&2; exit 1; }

key=$(printf 'bench' | iconv -f UTF-8 -t UTF-16LE | openssl md5 -binary | head -c 5 | od -An -tx1 | tr -d ' \n')
time_ms() {
  local start end
  start=$(date +%s%N)
  "$@"
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
rc2() { openssl enc "$@" -rc2-40-cbc -K "$key" -iv 0000000000000000 -provider legacy -provider default; }
ms[encrypt_openssl]=$(time_ms rc2 -e -in "$work/plain.bin" -out "$work/openssl.enc")
ms[decrypt_openssl]=$(time_ms rc2 -d -in "$work/openssl.enc" -out "$work/openssl.out")
cmp -s "$work/openssl.enc" "$work/bench.enc" || { echo "openssl's cipher text differs" >&2; exit 1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-8s %10s %12s %12s %10s %12s\n' "${mib}MiB" "file (ms)" "floor (ms)" "openssl (ms)" "vs floor" "vs openssl"
for op in encrypt decrypt; do
  file=${ms[${op}_file]} floor=${ms[${op}_floor]} ossl=${ms[${op}_openssl]}
  printf '%-8s %10s %12s %12s %9sx %11sx\n' "$op" "$file" "$floor" "$ossl" \
    "$(ratio "$file" "$floor")" "$(ratio "$file" "$ossl")"
done

#!/usr/bin/env bash
# crypto_interop.sh TOOL_EXE WORK_DIR
#
# Checks the encrypted files from outside: password files against OpenSSL's
# RC2-40-CBC both ways (key = first 5 bytes of MD5 over the password's
# UTF-16LE bytes, zero IV), and no-password files against a second Wine
# prefix, whose user has another key store and must not decrypt them.
# WINEPREFIX (and the rest of the Wine environment) come from CTest.
set -euo pipefail
tool=${1:?tool exe}
work=${2:?work dir}
export LC_ALL=C.UTF-8  # arguments reach Wine as UTF-8
rm -rf "$work"
mkdir -p "$work"
cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }
crypt() { wine "$tool" "$@" </dev/null; }
openssl_rc2() {
  openssl enc "$@" -rc2-40-cbc -K "$key" -iv 0000000000000000 \
    -provider legacy -provider default
}

check_password() {
  local password=$1; shift
  key=$(printf '%s' "$password" | iconv -f UTF-8 -t UTF-16LE | openssl md5 -binary |
        head -c 5 | od -An -tx1 | tr -d ' \n')
  for length in "$@"; do
    head -c "$length" /dev/urandom > plain
    crypt enc "$password" plain ours.enc >/dev/null || fail "encrypt $length"
    size=$(stat -c %s ours.enc)
    [ "$size" -eq $(( 8 * (length / 8 + 1) )) ] || fail "size $size for $length bytes"
    openssl_rc2 -d -in ours.enc -out theirs.out || fail "openssl decrypt $length"
    cmp -s plain theirs.out || fail "openssl decrypts other bytes ($length)"
    openssl_rc2 -e -in plain -out theirs.enc
    cmp -s ours.enc theirs.enc || fail "cipher text differs from openssl's ($length)"
    crypt dec "$password" theirs.enc ours.out >/dev/null || fail "decrypt openssl's file ($length)"
    cmp -s plain ours.out || fail "openssl's file decrypts to other bytes ($length)"
  done
  echo "password '$password': openssl agrees both ways"
}
check_password 'secret' 0 1 7 8 999 1000 1001 1992 5000 1048576
check_password 'Пароль Ёж 1' 0 999 5000

# No password: the data key is wrapped for this prefix's user.
head -c 3000 /dev/urandom > plain
crypt enc - plain user.enc >/dev/null || fail "encrypt without password"
crypt dec - user.enc user.out >/dev/null || fail "decrypt without password"
cmp -s plain user.out || fail "no-password round trip"
echo "no password: round trip in the first profile"

export WINEPREFIX="$work/wineprefix-crypto2"
mkdir -p "$WINEPREFIX"
trap 'wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
set +e
output=$(crypt dec - user.enc other.out)
status=$?
set -e
echo "$output"
[ "$status" -eq 56 ] || fail "another profile decrypted the file (status $status)"
text=$(printf '%s\n' "$output" | sed -n 2p)
[ -n "$text" ] || fail "no description for the other profile's failure"
echo "no password: another profile gets 56 and a text"

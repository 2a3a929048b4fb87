#!/usr/bin/env bash
# Tour, OrvCrypto: today's format as tour_crypto.vbs shows it, then age (Format 1): the sample
# encrypted to a recipient made by age-keygen and with a password, armored, and `age -d`
# reading both (the identity file for the one, the password typed on a pseudo-terminal for the
# other); last, a file age encrypted to the user's own recipient, read back by DecryptFile.
# Called by tour.sh (which exports run_script, winpath and the Wine environment).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?build dir}" && pwd)
root=${VELMOR_ROOT:-$(cd "$here/.." && pwd)}
work="$build/tour-crypto"
rm -rf "$work" && mkdir -p "$work"

run_script "$(winpath "$here/tour_crypto.vbs")" "$(winpath "$here")" || exit 1

echo "age (Format 1):"
age-keygen -o "$work/alice.key" 2>/dev/null
recipient=$(age-keygen -y "$work/alice.key")
echo "  age-keygen: recipient $recipient"
run_script "$(winpath "$here/tour_crypto_age.vbs")" "$(winpath "$here/crypto/sample.txt")" \
  "$(winpath "$work")" "$recipient" || exit 1
status=0
show() {
  if cmp -s "$here/crypto/sample.txt" "$1"; then
    echo "  $2: the sample's bytes"
  else
    echo "  $2: DIFFERS from the sample"; status=1
  fi
}
echo "  sample.alice.age begins: $(head -1 "$work/sample.alice.age")"
age -d -i "$work/alice.key" -o "$work/alice.txt" "$work/sample.alice.age" && show "$work/alice.txt" "age -d -i alice.key sample.alice.age"
AGE_TEST_PASSWORD=route-17 python3 "$root/tests/crypto/age/age_pty.py" -d -o "$work/pw.txt" "$work/sample.pw.age" &&
  show "$work/pw.txt" "age -d sample.pw.age (password typed on a terminal)"
user=$(tr -d '\r\n' < "$work/user.pub")
age -r "$user" -o "$work/sample.user.age" "$here/crypto/sample.txt"
run_script "$(winpath "$here/tour_crypto_age.vbs")" "$(winpath "$work/sample.user.age")" \
  "$(winpath "$work")" || exit 1
show "$work/user.txt" "DecryptFile of age -r UserRecipient's file"
exit $status

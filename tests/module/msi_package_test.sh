#!/usr/bin/env bash
# msi_package_test.sh BUILD_DIR: the signed installer in a fresh Wine prefix of its own. Builds
# the packages signed with a throwaway certificate and verifies the signatures; installs a
# package of a lower version, upgrades it with the release's, drives every component from the
# script host, replaces it with a rebuild of the same version, uninstalls, and checks that
# nothing of the library is left; then registers the
# same signed DLL with regsvr32 and checks that the registry holds exactly what the installer
# wrote.
set -uo pipefail
. "$(dirname "$0")/package_prefix.sh" "${1:-}" msi-test
# A throwaway code-signing certificate; its password travels only in the environment.
export VELMOR_SIGN_PASSWORD="throwaway $$"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Velmor test signing" -addext extendedKeyUsage=codeSigning 2>/dev/null &&
  openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.pfx" \
    -passout env:VELMOR_SIGN_PASSWORD || { echo "no certificate"; exit 1; }
made=$("$root/scripts/package.sh" --no-build --sign "$work/cert.pfx" "$build" "$work/dist") ||
  { echo "packaging failed"; exit 1; }
version=$(cat "$build/generated/version.txt")
name=VelmorCOM-$version
msi=$work/dist/$name-x64.msi
[ "$(grep '\.msi$' <<<"$made")" = "$msi" ] || fail "installer is named $(grep '\.msi$' <<<"$made")"
(cd "$work/dist" && sha256sum --quiet -c SHA256SUMS) || fail "dist/SHA256SUMS do not match"
unzip -q "$work/dist/$name.zip" -d "$work/stage"
(cd "$work/stage/$name" && sha256sum --quiet -c SHA256SUMS) || fail "the package's SHA256SUMS do not match"
for f in "$work/stage/$name/x64/VelmorCOM.dll" "$msi"; do
  v=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$f" 2>&1) || fail "$(basename "$f") is not signed: $v"
  grep -qi 'digest algorithm *: *SHA256' <<<"$v" || fail "$(basename "$f") is not signed with SHA-256: $v"
done
VELMOR_SIGN_PASSWORD=wrong "$root/scripts/package.sh" --no-build --sign "$work/cert.pfx" "$build" \
  "$work/wrong" >/dev/null 2>&1 && fail "packaging with a wrong certificate password succeeded"
# The same files as an older release.
"$root/scripts/msi.sh" "$build" "$work/stage/$name" 1.64.0.0 "$work/old.msi" || fail "older installer"
# And as a rebuild of the same version (another product code).
"$root/scripts/msi.sh" "$build" "$work/stage/$name" "$version" "$work/rebuilt.msi" || fail "rebuilt installer"

trap stop_wine EXIT
start_wine
winmsi() { wine msiexec "$1" "$(winepath -w "$2")" /qn </dev/null >/dev/null 2>&1; }
installed="C:\\Program Files\\VelmorCOM"
unix_installed=$WINEPREFIX/drive_c/Program\ Files/VelmorCOM
# The installer's records of the product: one uninstall entry per installed version.
versions() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/DisplayName.*Velmor COM Module/ { mine = 1 } /^HKEY/ { mine = 0 }
         mine && /DisplayVersion/ { print $NF }' | sort
}

winmsi /i "$work/old.msi" || fail "msiexec /i of the older package"
[ "$(versions)" = "1.64.0.0" ] || fail "older package: installed versions $(versions | xargs)"
winmsi /i "$msi" || fail "msiexec /i of the release"
[ "$(versions)" = "$version" ] || fail "after the upgrade: installed versions $(versions | xargs)"
for f in VelmorCOM.dll VelmorCOM.tlb docs/guide.md docs/ftp-progress.png examples/hello_velmor.vbs \
         examples/hello_velmor.js examples/VelmorCOM.bas examples/host_example.cpp include/VelmorCOM_h.h; do
  cmp -s "$unix_installed/$f" "$work/stage/$name/$(sed 's|^Velmor|x64/Velmor|' <<<"$f")" ||
    fail "installed $f differs from the package's"
done

# Every component, late-bound.
"$root/scripts/run-script-test.sh" "Z:${here//\//\\}\\late_binding.vbs" || fail "late-bound calls"
# The example, in the Russian locale (the console writes code page 866), answers exactly.
out=$(VELMOR_SCRIPT_LOCALE=ru_RU.UTF-8 "$root/scripts/run-script-test.sh" \
      "$installed\\examples\\hello_velmor.vbs" | iconv -f CP866 -t UTF-8 | tr -d '\r') ||
  fail "hello_velmor.vbs"
expected="OrvGps.Distance: 654367 m
OrvZip.ErrDescription(55): Неправильный пароль
OrvFtp.FileExists before Connect: 78
OrvCrypto.ErrDescription(1): Неизвестная ошибка
OrvServer.Version: $version"
[ "$out" = "$expected" ] || fail "hello_velmor.vbs answered: $out"

# The library's own keys below the classes root, as the saved registry spells them.
classes_entries() {
  local pattern
  pattern=$(IFS='|'; echo "${markers[*]}" | sed 's/\./\\./g')
  awk -v pat="$pattern" '
    /^\[/ { keep = ($0 ~ /^\[Software\\\\Classes\\\\/) && (toupper($0) ~ toupper(pat)); if (keep) print $1 " " $2; next }
    keep && !/^#time/ && NF { print }' "$WINEPREFIX/system.reg" | sed 's/\] [0-9]*$/]/'
}
stop_wine
classes_entries > "$work/msi.reg"
[ "$(grep -c '^\[' "$work/msi.reg")" -ge 40 ] || fail "the installer wrote only $(grep -c '^\[' "$work/msi.reg") keys"
start_wine
winmsi /i "$work/rebuilt.msi" || fail "msiexec /i of the rebuilt package"
[ "$(versions)" = "$version" ] || fail "after the same version again: installed versions $(versions | xargs)"
winmsi /x "$work/rebuilt.msi" || fail "msiexec /x"
[ -z "$(versions)" ] || fail "still installed after msiexec /x: $(versions | xargs)"
[ -e "$unix_installed" ] && fail "msiexec /x left $(find "$unix_installed" | head -3)"
stop_wine
show_left
[ "$(found)" = 0 ] || fail "the registry still holds entries of the library"

# The same DLL at the same place, registered by itself.
start_wine
mkdir -p "$unix_installed"
cp "$work/stage/$name/x64/VelmorCOM.dll" "$unix_installed/"
wine regsvr32 /s "$installed\\VelmorCOM.dll" </dev/null >/dev/null 2>&1 || fail "regsvr32"
stop_wine
classes_entries > "$work/regsvr32.reg"
diff -u "$work/msi.reg" "$work/regsvr32.reg" || fail "the installer's entries differ from regsvr32's"
trap - EXIT
[ $status -eq 0 ] && { rm -rf "$work"; echo "installer: upgraded, used and removed cleanly; the same entries as regsvr32"; }
exit $status

#!/usr/bin/env bash
# msi_package_test.sh BUILD_DIR: the signed x64 installer in a fresh Wine prefix of its own.
# Builds the packages signed with a throwaway certificate and verifies the signatures; installs a
# package of a lower version, upgrades it with the release's, drives every component from the
# script host, replaces it with a rebuild of the same version, uninstalls, and checks that
# nothing of either library is left; then registers the same signed 64-bit DLL with regsvr32 and
# checks that the 64-bit registry view holds exactly what the installer wrote, and that the
# 32-bit view holds the same for the 32-bit DLL. The x86 installer must refuse 64-bit Windows.
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
msi_x86=$work/dist/$name-x86.msi
[ "$(grep '\.msi$' <<<"$made" | xargs)" = "$msi $msi_x86" ] ||
  fail "installers are named $(grep '\.msi$' <<<"$made" | xargs)"
(cd "$work/dist" && sha256sum --quiet -c SHA256SUMS) || fail "dist/SHA256SUMS do not match"
[ "$(wc -l < "$work/dist/SHA256SUMS")" = 3 ] || fail "dist/SHA256SUMS: $(cat "$work/dist/SHA256SUMS")"
unzip -q "$work/dist/$name.zip" -d "$work/stage"
(cd "$work/stage/$name" && sha256sum --quiet -c SHA256SUMS) || fail "the package's SHA256SUMS do not match"
for f in "$work/stage/$name/x64/VelmorCOM.dll" "$work/stage/$name/x86/VelmorCOM.dll" "$msi" "$msi_x86"; do
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
unix_installed_x86=$WINEPREFIX/drive_c/Program\ Files\ \(x86\)/VelmorCOM
# The installer's records of the product: one uninstall entry per installed version.
versions() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/DisplayName.*Velmor COM Module/ { mine = 1 } /^HKEY/ { mine = 0 }
         mine && /DisplayVersion/ { print $NF }' | sort
}

winmsi /i "$msi_x86" && fail "the x86 package installed on 64-bit Windows"
[ -z "$(versions)" ] || fail "the x86 package left an installation: $(versions | xargs)"
winmsi /i "$work/old.msi" || fail "msiexec /i of the older package"
[ "$(versions)" = "1.64.0.0" ] || fail "older package: installed versions $(versions | xargs)"
winmsi /i "$msi" || fail "msiexec /i of the release"
[ "$(versions)" = "$version" ] || fail "after the upgrade: installed versions $(versions | xargs)"
for f in VelmorCOM.dll VelmorCOM.tlb docs/guide.md docs/ftp-progress.png examples/hello_velmor.vbs \
         examples/hello_velmor.js examples/VelmorCOM.bas examples/host_example.cpp include/VelmorCOM_h.h; do
  cmp -s "$unix_installed/$f" "$work/stage/$name/$(sed 's|^Velmor|x64/Velmor|' <<<"$f")" ||
    fail "installed $f differs from the package's"
done
for f in VelmorCOM.dll VelmorCOM.tlb; do
  cmp -s "$unix_installed_x86/$f" "$work/stage/$name/x86/$f" || fail "installed x86 $f differs from the package's"
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
# One registry view of those entries: 64, 32 (below Wow6432Node, spelled as in the 64-bit view,
# with the 64-bit library's folder), or classes (the 64-bit view without the type library, which
# is not redirected). The type library's win32 entry is left out of all.
view() {
  awk -v want="$1" '/^\[/ { w = /\\\\Wow6432Node\\\\/ ? "32" : "64"; skip = /\\\\win32\]$/ }
    /^\[/ && w == "64" && want == "classes" { skip = skip || /\\\\Typelib\\\\/; w = "classes" }
    w == want && !skip' | sed -e 's/\\\\Wow6432Node//' -e 's/Program Files (x86)/Program Files/'
}
stop_wine
classes_entries > "$work/msi.reg"
[ "$(grep -c '^\[' "$work/msi.reg")" -ge 80 ] || fail "the installer wrote only $(grep -c '^\[' "$work/msi.reg") keys"
diff -u <(view classes < "$work/msi.reg") <(view 32 < "$work/msi.reg") ||
  fail "the 32-bit view differs from the 64-bit one"
grep -A1 -F '\\409\\win32]' "$work/msi.reg" | grep -qxF '@="C:\\Program Files (x86)\\VelmorCOM\\VelmorCOM.dll"' ||
  fail "the 32-bit type library is not registered: $(grep -A1 -F win32 "$work/msi.reg")"
start_wine
winmsi /i "$work/rebuilt.msi" || fail "msiexec /i of the rebuilt package"
[ "$(versions)" = "$version" ] || fail "after the same version again: installed versions $(versions | xargs)"
winmsi /x "$work/rebuilt.msi" || fail "msiexec /x"
[ -z "$(versions)" ] || fail "still installed after msiexec /x: $(versions | xargs)"
[ -e "$unix_installed" ] && fail "msiexec /x left $(find "$unix_installed" | head -3)"
[ -e "$unix_installed_x86" ] && fail "msiexec /x left $(find "$unix_installed_x86" | head -3)"
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
diff -u <(view 64 < "$work/msi.reg") <(view 64 < "$work/regsvr32.reg") ||
  fail "the installer's entries differ from regsvr32's"
trap - EXIT
[ $status -eq 0 ] && { rm -rf "$work"; echo "installer: upgraded, used and removed cleanly; the same entries as regsvr32 in both views"; }
exit $status

#!/usr/bin/env bash
# package_test.sh BUILD_DIR: builds the release package from the build, unpacks it into a fresh
# Wine prefix, checks which regsvr32 each script runs for which DLL from every kind of console,
# installs it with install.cmd, drives every component from the script host, uninstalls it, does
# the same per user, and checks that the registry keeps nothing of the library. (Wine runs no
# 32-bit code here: a stand-in takes the 32-bit regsvr32's place.)
set -uo pipefail
. "$(dirname "$0")/package_prefix.sh" "${1:-}" package-test
made=$("$root/scripts/package.sh" --no-build "$build" "$work/dist") || { echo "packaging failed"; exit 1; }
zipfile=$(grep '\.zip$' <<<"$made")
version=$(cat "$build/generated/version.txt")
name=VelmorCOM-$version
[ "$(basename "$zipfile")" = "$name.zip" ] || fail "package is named $(basename "$zipfile")"

# What the package holds.
listing=$(unzip -Z1 "$zipfile")
for f in x64/VelmorCOM.dll x64/VelmorCOM.tlb x86/VelmorCOM.dll x86/VelmorCOM.tlb \
         include/VelmorCOM_h.h include/VelmorCOM_i.c docs/guide.md docs/ftp-progress.png \
         examples/hello_velmor.vbs examples/hello_velmor.js examples/VelmorCOM.bas \
         examples/host_example.cpp install.cmd uninstall.cmd install-user.cmd uninstall-user.cmd \
         SHA256SUMS; do
  grep -qx "$name/$f" <<<"$listing" || fail "package lacks $f"
done

trap stop_wine EXIT
start_wine
dir=$WINEPREFIX/drive_c/$name
windir="C:\\$name"
unzip -q "$zipfile" -d "$WINEPREFIX/drive_c" || fail "unzip"
(cd "$dir" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS do not match"
osslsigncode verify -in "$dir/x64/VelmorCOM.dll" >/dev/null 2>&1 && fail "unsigned packaging signed the DLL"
for arch in x64:pei-x86-64 x86:pei-i386; do
  dll=$dir/${arch%%:*}/VelmorCOM.dll format=${arch#*:}
  x86_64-w64-mingw32-objdump -f "$dll" | grep -q "file format $format" || fail "${arch%%:*}: not $format"
  x86_64-w64-mingw32-objdump -h "$dll" | grep -q '\.debug' && fail "${arch%%:*}: the DLL is not stripped"
done

# Windows text files, and a VBA module that Office of either bitness imports.
for f in install.cmd uninstall.cmd install-user.cmd uninstall-user.cmd examples/VelmorCOM.bas \
         examples/hello_velmor.vbs; do
  [ "$(grep -vc $'\r$' "$dir/$f")" = 0 ] || fail "$f has lines without CRLF"
done
head -1 "$dir/examples/VelmorCOM.bas" | grep -q '^Attribute VB_Name = "[A-Za-z][A-Za-z0-9_]*"'$'\r$' \
  || fail "VelmorCOM.bas does not begin with its VB_Name"
if grep -i '^[^'"'"']*\bDeclare\b' "$dir/examples/VelmorCOM.bas" | grep -qvi 'PtrSafe'; then
  fail "VelmorCOM.bas declares without PtrSafe"
fi

registered() { wine reg query 'HKCR\Velmor.OrvGps.1' >/dev/null 2>&1; }
run_cmd() { wine cmd /c "$windir\\$1" </dev/null 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# Which regsvr32 gets which DLL, from a 64-bit console, a 32-bit one on 64-bit Windows (System32
# is the 32-bit folder there, Sysnative the real one) and on 32-bit Windows. Stand-ins at the
# three places write down their command lines; they must be programs of our own, since Wine runs
# its built-in regsvr32 for any stub of its own by name.
printf '%s\n' '#include <stdio.h>' '#include <windows.h>' \
  'int main(void) { FILE* f = fopen("C:\\regsvr32-calls.txt", "a");' \
  '  return !f || fprintf(f, "%s\n", GetCommandLineA()) < 0 || fclose(f) != 0; }' > "$work/regsvr32.c"
x86_64-w64-mingw32-gcc -o "$work/regsvr32.exe" "$work/regsvr32.c" || fail "the regsvr32 stand-in"
sys=$WINEPREFIX/drive_c/windows
mkdir -p "$sys/Sysnative"
cp "$sys/system32/regsvr32.exe" "$work/regsvr32.system32"
for d in system32 syswow64 Sysnative; do cp "$work/regsvr32.exe" "$sys/$d/regsvr32.exe"; done
calls=$WINEPREFIX/drive_c/regsvr32-calls.txt
x64_dll="\"$windir\\x64\\VelmorCOM.dll\""
x86_dll="\"$windir\\x86\\VelmorCOM.dll\""
while IFS='|' read -r console env x64_regsvr32 x86_regsvr32; do
  for script in "install /s" "uninstall /u /s" "install-user /s /n /i:user" "uninstall-user /u /s /n /i:user"; do
    flags=${script#* }
    expected="\"C:\\windows\\$x86_regsvr32\\regsvr32.exe\" $flags $x86_dll"
    [ -z "$x64_regsvr32" ] ||
      expected+=$'\n'"\"C:\\windows\\$x64_regsvr32\\regsvr32.exe\" $flags $x64_dll"
    rm -f "$calls"
    out=$(WINEDLLOVERRIDES="$WINEDLLOVERRIDES;regsvr32.exe=n" wine cmd /c "$env$windir\\${script%% *}.cmd" \
          </dev/null 2>&1) || fail "$console: ${script%% *}.cmd failed: $out"
    got=$(tr -d '\r' < "$calls" 2>/dev/null | LC_ALL=C sort)
    [ "$got" = "$(LC_ALL=C sort <<<"$expected")" ] || fail "$console: ${script%% *}.cmd ran: $got"
  done
done <<'TABLE'
64-bit console||System32|SysWOW64
32-bit console on 64-bit Windows|set PROCESSOR_ARCHITECTURE=x86&& set PROCESSOR_ARCHITEW6432=AMD64&& |Sysnative|SysWOW64
32-bit Windows|set PROCESSOR_ARCHITECTURE=x86&& set PROCESSOR_ARCHITEW6432=&& ||System32
TABLE
registered && fail "the stand-ins registered the library"
# From here on the real 64-bit regsvr32 registers the 64-bit DLL; the 32-bit one stays a stand-in.
cp "$work/regsvr32.system32" "$sys/system32/regsvr32.exe"
rm -rf "$sys/Sysnative"

# Machine-wide: install, every component from scripts, uninstall.
out=$(run_cmd install.cmd) || fail "install.cmd: $out"
registered || fail "install.cmd registered nothing"
"$root/scripts/run-script-test.sh" "Z:${here//\//\\}\\late_binding.vbs" || fail "late-bound calls"
vbs=$("$root/scripts/run-script-test.sh" "$windir\\examples\\hello_velmor.vbs" | tr -d '\r') \
  || fail "hello_velmor.vbs"
js=$("$root/scripts/run-script-test.sh" "$windir\\examples\\hello_velmor.js" | tr -d '\r') \
  || fail "hello_velmor.js"
for text in "$vbs" "$js"; do
  grep -qx 'OrvGps.Distance: 6[0-9]\{5\} m' <<<"$text" || fail "example distance: $text"
  grep -qx 'OrvFtp.FileExists before Connect: 78' <<<"$text" || fail "example FTP: $text"
  grep -qx "OrvServer.Version: $version" <<<"$text" || fail "example version: $text"
done
out=$(run_cmd uninstall.cmd) || fail "uninstall.cmd: $out"
registered && fail "uninstall.cmd left the ProgIDs"

# Per user. (Wine's COM does not read the per-user classes, so nothing is called here.)
out=$(run_cmd install-user.cmd) || fail "install-user.cmd: $out"
wine reg query 'HKCU\Software\Classes\Velmor.OrvGps.1' >/dev/null 2>&1 || fail "install-user.cmd wrote no per-user ProgID"
registered && fail "install-user.cmd registered machine-wide"

stop_wine
# The AppID script writes nothing, so all but its identifier are there now.
[ "$(found)" -ge $((${#markers[@]} - 1)) ] || fail "per-user registration: only $(found) of ${#markers[@]} entries found"
start_wine
out=$(run_cmd uninstall-user.cmd) || fail "uninstall-user.cmd: $out"
stop_wine
show_left
[ "$(found)" = 0 ] || fail "the registry still holds entries of the library"
trap - EXIT
[ $status -eq 0 ] && { rm -rf "$work"; echo "release package: installed, used and removed cleanly"; }
exit $status

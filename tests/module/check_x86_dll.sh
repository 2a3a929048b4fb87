#!/usr/bin/env bash
# check_x86_dll.sh BUILD_DIR: the 32-bit DLL of BUILD_DIR/x86, which cannot run here, checked as a
# file: an i386 image with the five entry points and system imports only, whose embedded type
# library is a win32 one with the same types, members and DISPIDs as the 64-bit DLL's.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
x64=$build/bin/VelmorCOM.dll
x86=$build/x86/bin/VelmorCOM.dll
[ -f "$x86" ] || { echo "no $x86: scripts/build.sh builds it"; exit 1; }
"$here/check_dll.sh" "$x86" pei-i386
winpath() { echo "Z:$(echo "$1" | tr / '\\\\')"; }
dump() { wine "$build/tests-bin/typelib_dump.exe" "$(winpath "$1")" | tr -d '\r'; }
a=$(dump "$x64")
b=$(dump "$x86")
[ "$(head -n1 <<<"$a")" = "syskind 3" ] || { echo "64-bit: $(head -n1 <<<"$a")"; exit 1; }
[ "$(head -n1 <<<"$b")" = "syskind 1" ] || { echo "32-bit: $(head -n1 <<<"$b")"; exit 1; }
if ! diff <(tail -n +2 <<<"$a") <(tail -n +2 <<<"$b"); then
  echo "the two type libraries differ"
  exit 1
fi
echo "$(grep -c '^type ' <<<"$a") types, $(grep -c '^  func ' <<<"$a") members alike"

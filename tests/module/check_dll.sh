#!/usr/bin/env bash
# check_dll.sh DLL [FORMAT]: the library is built for its machine (FORMAT: objdump's pei-x86-64,
# the default, or pei-i386), exports exactly its five entry points by their plain names and
# imports only DLLs that ship with Windows.
set -euo pipefail
dll=$1
format=${2:-pei-x86-64}
dump=$(x86_64-w64-mingw32-objdump -p "$dll")
status=0
if ! x86_64-w64-mingw32-objdump -f "$dll" | grep -q "file format $format\$"; then
  echo "not a $format file: $(x86_64-w64-mingw32-objdump -f "$dll" | grep 'file format')"
  status=1
fi
imports=$(awk '/DLL Name:/{print tolower($3)}' <<<"$dump" | sort -u)
allowed="advapi32.dll bcrypt.dll comctl32.dll crypt32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll secur32.dll shell32.dll shlwapi.dll user32.dll wininet.dll ws2_32.dll"
for d in $imports; do
  case " $allowed " in
    *" $d "*) ;;
    *) echo "imports a DLL that does not ship with Windows: $d"; status=1 ;;
  esac
done
exports=$(awk '/Ordinal\/Name Pointer/{t=1;next} t&&/^[ \t]*\[/{print $NF} t&&/^$/{t=0}' <<<"$dump" | sort | tr '\n' ' ')
want="DllCanUnloadNow DllGetClassObject DllInstall DllRegisterServer DllUnregisterServer "
if [ "$exports" != "$want" ]; then
  echo "exports are '$exports', expected '$want'"
  status=1
fi
echo "imports: $(echo $imports | tr '\n' ' ')"
exit $status

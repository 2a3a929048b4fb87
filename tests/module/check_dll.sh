#!/usr/bin/env bash
# check_dll.sh DLL: the library exports exactly its five entry points and imports only DLLs that
# ship with Windows.
set -euo pipefail
dll=$1
dump=$(x86_64-w64-mingw32-objdump -p "$dll")
imports=$(awk '/DLL Name:/{print tolower($3)}' <<<"$dump" | sort -u)
allowed="advapi32.dll bcrypt.dll comctl32.dll crypt32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll secur32.dll shell32.dll shlwapi.dll user32.dll wininet.dll ws2_32.dll"
status=0
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

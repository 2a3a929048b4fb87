# Sourced by the package tests as `. package_prefix.sh BUILD_DIR WORK_NAME`: an empty work folder
# BUILD_DIR/WORK_NAME with the Wine prefix of the test's own in it, the failure count, and what
# the library leaves in the registry.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:?build dir}" && pwd)
work=$build/${2:?work folder}
status=0
fail() { echo "FAIL: $*"; status=1; }
rm -rf "$work"
mkdir -p "$work"

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
start_wine() {
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
}
# Stops the prefix's wineserver, which writes the registry to system.reg and user.reg.
stop_wine() { wineserver -k </dev/null >/dev/null 2>&1; wineserver -w </dev/null >/dev/null 2>&1; }

# Everything the library puts in the registry, as the saved registry files spell it: the ProgIDs,
# the library's file, the type library, the AppID, the five classes and the five interfaces.
markers=(Velmor. VelmorCOM.dll 566BF9D7-C55A-45F8-91A6-E55E9B9B1325 5D96CF7F-265B-4DA9-8F0C-26EF4243ED52
  5E6A0A2E-DD70-434D-81D7-7CFFB7DECC0C 9823BEB1-E6BA-4AD7-8DE4-5321AD915A36
  AED09B82-4CA8-4FC2-BFB6-37DD5BAE2D26 00D9F4AD-53A2-42B6-B3F5-F28807F0CBD4
  D1784030-35C9-48C4-A68D-C8F46A423CF9 B37523A5-3B4A-4EE2-8463-513755AC0ECD
  683447C1-0CC8-4F11-9D4E-ABBD1FCFB980 1FF13534-2E82-4CE1-958D-003D9A0B2361
  D330A549-4D14-4F1A-8CC3-46363C234038 AF5D8BB0-9F2E-4EA4-B658-90E0F94855D0)
# How many of the markers the saved registry still holds (the wineserver must be stopped).
found() {
  local m n=0
  for m in "${markers[@]}"; do
    grep -qiF "$m" "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" && n=$((n + 1))
  done
  echo $n
}
# Prints what is left of the library in the saved registry.
show_left() {
  local m
  for m in "${markers[@]}"; do
    grep -iF "$m" "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" | head -3 | sed "s|^|left: |"
  done
}

#!/usr/bin/env bash
# tour.sh BUILD_DIR: registers the freshly built 64-bit library in the build's Wine prefix and
# drives every finished component late-bound from scripts (examples/tour_*.vbs, or tour_*.sh
# where a part needs set-up of its own, such as a local FTP server). The 32-bit library of
# BUILD_DIR/x86 is not driven: the scripts run in 64-bit Wine, which loads only 64-bit DLLs.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:?build dir}" && pwd)
eval "$("$root/scripts/wine-session.sh" env "$build")"
"$root/scripts/wine-session.sh" start "$build"
trap '"$root/scripts/wine-session.sh" stop "$build"' EXIT

winpath() { echo "Z:${1//\//\\}"; }
dll=$(winpath "$build/bin/VelmorCOM.dll")
if [ -f "$build/x86/bin/VelmorCOM.dll" ]; then
  echo "== Built both DLLs: $build/bin/VelmorCOM.dll (64-bit) and $build/x86/bin/VelmorCOM.dll (32-bit)"
fi
echo "== The tour drives the 64-bit DLL: only 64-bit Wine runs here, and a process loads only a DLL of its own bitness"
echo "== Registering $dll"
wine regsvr32 /s "$dll" || { echo "registration failed"; exit 1; }

# The scripts print Russian messages; Wine writes them in the Russian console code page.
run_script() {
  VELMOR_SCRIPT_LOCALE=ru_RU.UTF-8 "$VELMOR_ROOT/scripts/run-script-test.sh" "$@" 2>&1 | iconv -f CP866 -t UTF-8
  return "${PIPESTATUS[0]}"
}
export -f run_script winpath
export VELMOR_ROOT="$root" VELMOR_BUILD="$build"

status=0
for part in gps zip crypto server ftp; do
  if [ -x "$here/tour_$part.sh" ]; then
    echo "== $part"
    "$here/tour_$part.sh" "$build" || { echo "-- $part: FAILED"; status=1; }
  elif [ -f "$here/tour_$part.vbs" ]; then
    echo "== $part"
    run_script "$(winpath "$here/tour_$part.vbs")" "$(winpath "$here")" || { echo "-- $part: FAILED"; status=1; }
  fi
done
[ $status -eq 0 ] && echo "== Tour finished: every part ran." || echo "== Tour finished with failures."
exit $status

#!/usr/bin/env bash
# screenshot.sh BUILD_DIR OUT.png: photographs the OrvFtp progress window during
# a download under Xvfb (for docs/ftp.md). Needs ImageMagick (import, convert).
# Run it as: xvfb-run -a -s "-screen 0 800x600x24 -br" examples/ftp/screenshot.sh build docs/ftp-progress.png
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:?build dir}" && pwd)
out=$(realpath -m "${2:?output png}")
work="$build/ftp-screenshot"
rm -rf "$work/root" "$work/server" && mkdir -p "$work/root"
# a file big enough to keep the window up for a few seconds
head -c 409600 /dev/urandom > "$work/root/readings.bin"

# A prefix of its own in which Wine draws window frames and captions itself,
# since no window manager runs under Xvfb to draw them.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
winpath() { echo "Z:${1//\//\\}"; }
wine regsvr32 /s "$(winpath "$build/bin/VelmorCOM.dll")"

server="$root/tests/ftp/ftp_test_server.py"
/usr/bin/python3 "$server" start --state "$work/server" --root "$work/root" >/dev/null
trap '/usr/bin/python3 "$server" stop --state "$work/server" >/dev/null; wineserver -k >/dev/null 2>&1 || true' EXIT
port=$(cat "$work/server/port")

wine cscript //nologo "$(winpath "$here/../tour_ftp.vbs")" "127.0.0.1:$port" readings.bin \
  "$(winpath "$work/readings.bin")" >"$work/script.log" 2>&1 &
script=$!
sleep 5
import -window root "$work/screen.png"
wait "$script" || true
# the dialog on the black root window, cut out with a small margin
convert "$work/screen.png" -trim -bordercolor black -border 8 "$out"
echo "wrote $out"

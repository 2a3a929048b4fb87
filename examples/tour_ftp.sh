#!/usr/bin/env bash
# Tour, OrvFtp: serves examples/ftp/sample from a local FTP server (pyftpdlib on
# 127.0.0.1, a free port, anonymous access), downloads readings.csv with the
# progress window through tour_ftp.vbs, compares the bytes and stops the server.
# Called by tour.sh (which exports run_script, winpath and the Wine environment).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?build dir}" && pwd)
root=${VELMOR_ROOT:-$(cd "$here/.." && pwd)}
work="$build/tour-ftp"
server_script="$root/tests/ftp/ftp_test_server.py"
rm -rf "$work" && mkdir -p "$work/root"
cp -r "$here/ftp/sample/." "$work/root/"

/usr/bin/python3 "$server_script" start --state "$work/server" --root "$work/root" || exit 1
trap '/usr/bin/python3 "$server_script" stop --state "$work/server" >/dev/null' EXIT
port=$(cat "$work/server/port")

run_script "$(winpath "$here/tour_ftp.vbs")" "127.0.0.1:$port" readings.csv \
  "$(winpath "$work/readings.csv")" || exit 1

if cmp -s "$here/ftp/sample/readings.csv" "$work/readings.csv"; then
  echo "-- readings.csv: $(stat -c %s "$work/readings.csv") bytes, the same as on the server"
else
  echo "-- readings.csv: DIFFERS from the server's file"
  exit 1
fi

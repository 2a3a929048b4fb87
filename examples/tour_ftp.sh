#!/usr/bin/env bash
# Tour, OrvFtp: serves examples/ftp/sample from a local FTP server (pyftpdlib on
# 127.0.0.1, a free port, anonymous access). tour_ftp.vbs downloads
# readings.csv, uploads it into a new folder "uploads" and downloads that copy
# back, each with the progress window; this script compares the bytes of all
# three with the sample and stops the server.
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
  "$(winpath "$work/readings.csv")" "$(winpath "$here/ftp/sample/readings.csv")" \
  "$(winpath "$work/readings_back.csv")" || exit 1

sample="$here/ftp/sample/readings.csv"
status=0
for copy in "$work/readings.csv:the download" "$work/root/uploads/readings.csv:the server's upload" \
            "$work/readings_back.csv:the upload downloaded back"; do
  file=${copy%%:*} what=${copy#*:}
  if cmp -s "$sample" "$file"; then
    echo "-- $what: $(stat -c %s "$file") bytes, the same as the sample"
  else
    echo "-- $what: DIFFERS from the sample"
    status=1
  fi
done
exit $status

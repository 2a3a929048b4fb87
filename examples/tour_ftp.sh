#!/usr/bin/env bash
# Tour, OrvFtp: serves examples/ftp/sample from a local FTP server (pyftpdlib on
# 127.0.0.1, a free port, anonymous access). tour_ftp.vbs downloads
# readings.csv, uploads it into a new folder "uploads" and downloads that copy
# back, each with the progress window; this script compares the bytes of all
# three with the sample. tour_ftp_sets.vbs fetches the served folder with one
# GetFiles and resumes a download from the half this script leaves in its
# .filepart. Then the same session runs over
# TLS against a local pure-ftpd with a self-signed certificate, pinned by its
# SHA-256 fingerprint (the servers of the TLS tests, tests/ftp/tls), and the set
# and the resumed download over SFTP with an ed25519 key made by ssh-keygen.
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

status=0
# same ORIGINAL COPY WHAT: reports whether the copy has the original's bytes.
same() {
  if cmp -s "$1" "$2"; then
    echo "-- $3: $(stat -c %s "$2") bytes, the same as the original"
  else
    echo "-- $3: DIFFERS from the original"
    status=1
  fi
}
sample="$here/ftp/sample/readings.csv"
same "$sample" "$work/readings.csv" "the download"
same "$sample" "$work/root/uploads/readings.csv" "the server's upload"
same "$sample" "$work/readings_back.csv" "the upload downloaded back"

echo "-- a whole folder, and a download resumed from its .filepart"
part="$work/resumed.csv"
head -c $(($(stat -c %s "$sample") / 2)) "$sample" >"$part.filepart"
run_script "$(winpath "$here/tour_ftp_sets.vbs")" "127.0.0.1:$port" / "$(winpath "$work/set")" \
  readings.csv "$(winpath "$part")" || exit 1
same "$sample" "$work/set/readings.csv" "the set's readings.csv"
same "$sample" "$part" "the resumed download"
grep -o 'REST [0-9]* 350' "$work/server/server.log" | tail -1 | sed 's/^/-- the server restarted at: /'

echo "-- over TLS"
tls_script="$root/tests/ftp/tls/tls_servers.py"
tls_state="$work/tls"
/usr/bin/python3 "$tls_script" start --state "$tls_state" --packages "$build/ftp-tls-packages" \
  >/dev/null || exit 1
trap '/usr/bin/python3 "$server_script" stop --state "$work/server" >/dev/null
      /usr/bin/python3 "$tls_script" stop --state "$tls_state" >/dev/null' EXIT
value() { sed -n "s/^$1=//p" "$tls_state/servers.txt"; }
tls_root=$(value pureftpd_root)
run_script "$(winpath "$here/tour_ftp.vbs")" \
  "127.0.0.1:$(value pureftpd_self_port):TLS=$(value fingerprint_self)" "$(value sample_name)" \
  "$(winpath "$work/tls_sample.bin")" "$(winpath "$sample")" "$(winpath "$work/tls_back.csv")" \
  "$(value user)" "$(value password)" || exit 1
same "$tls_root/$(value sample_name)" "$work/tls_sample.bin" "the download over TLS"
same "$sample" "$tls_root/uploads/readings.csv" "the server's upload over TLS"
same "$sample" "$work/tls_back.csv" "the upload over TLS downloaded back"

echo "-- SFTP with an ed25519 key, against an sshd with an ed25519 host key and curve25519 alone"
sftp_root=$(value sftp_root)
rm -rf "$sftp_root/tour" && cp -r "$here/ftp/sample" "$sftp_root/tour" && chmod -R a+rwX "$sftp_root/tour"
part="$work/sftp_resumed.csv"
head -c $(($(stat -c %s "$sample") / 3)) "$sample" >"$part.filepart"
run_script "$(winpath "$here/tour_ftp_sets.vbs")" \
  "127.0.0.1:$(value sftp_ed25519_port):SFTP=$(value ssh_fingerprint_ed25519)" "$sftp_root/tour" \
  "$(winpath "$work/sftp_set")" "$sftp_root/tour/readings.csv" "$(winpath "$part")" \
  "$(value user)" "" "$(winpath "$(value ssh_key_ed25519)")" "$(value ssh_key_passphrase)" || exit 1
same "$sample" "$work/sftp_set/readings.csv" "the set's readings.csv over SFTP"
same "$sample" "$part" "the download resumed over SFTP"
rm -rf "$sftp_root/tour"
exit $status

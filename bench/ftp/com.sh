#!/usr/bin/env bash
# com.sh BUILD_DIR: OrvFtp through COM with SpeedLimit 0 against the usual clients, in the
# same run, to the servers of the TLS tests (tests/ftp/tls): over SFTP (sshd) against OpenSSH's
# sftp, GetFiles and PutFiles of 500 files of 20 KB (get -r / put -r) and a 64 MiB GetFile and
# PutFile; over plain FTP (pyftpdlib) against curl, the same 64 MiB both ways. Target: at most
# 1.0x the other client everywhere. Prints a table with the best of RUNS (default 3) runs.
# Build first: cmake --build BUILD_DIR --target VelmorCOM ftp_com_bench
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:?build dir}" && pwd)
bench="$build/bench-bin/ftp_com_bench.exe"
[ -f "$bench" ] || { echo "missing $bench: cmake --build $build --target ftp_com_bench" >&2; exit 1; }
eval "$("$root/scripts/wine-session.sh" env "$build")"
"$root/scripts/wine-session.sh" start "$build"
winpath() { echo "Z:${1//\//\\}"; }
wine regsvr32 /s "$(winpath "$build/bin/VelmorCOM.dll")"

work="$build/bench-ftp-com"
state="$work/servers"
tls_script="$root/tests/ftp/tls/tls_servers.py"
mkdir -p "$work"
/usr/bin/python3 "$tls_script" start --state "$state" --packages "$build/ftp-tls-packages" >/dev/null
trap '/usr/bin/python3 "$tls_script" stop --state "$state" >/dev/null' EXIT
value() { sed -n "s/^$1=//p" "$state/servers.txt"; }
user=$(value user) password=$(value password)
sftp_port=$(value sftp_port) sftp_root=$(value sftp_root) plain_root=$(value plain_root)
sftp_server="127.0.0.1:$sftp_port:SFTP=$(value ssh_fingerprint_ecdsa)"
plain_server="127.0.0.1:$(value plain_port)"

set_dir="$work/set" big="$work/big.bin"
if [ ! -d "$set_dir" ]; then
  mkdir -p "$set_dir"
  for i in $(seq 1 500); do head -c 20480 /dev/urandom >"$set_dir/f$i.bin"; done
fi
[ -f "$big" ] || head -c $((64 * 1024 * 1024)) /dev/urandom >"$big"
cp -r "$set_dir" "$sftp_root/set" && cp "$big" "$sftp_root/big.bin" && cp "$big" "$plain_root/big.bin"
chmod -R a+rwX "$sftp_root" "$plain_root"

field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
best() { printf '%s\n' "$@" | sort -g | head -1; }
ratio() { echo "scale=3; $1 / $2" | bc -l; }
seconds() { local start end; start=$(date +%s.%N); "$@" >/dev/null 2>&1 || { echo "$* failed" >&2; exit 1; }
  end=$(date +%s.%N); printf '%.3f\n' "$(echo "$end - $start" | bc -l)"; }
ours() {  # ours ACTION SERVER FROM TO
  local out
  out=$(wine "$bench" "$1" "$2" "$user" "$password" "$3" "$4" 2>/dev/null)
  case "$out" in *result=0*) echo "$out" | field seconds ;; *) echo "$1 $2 failed: $out" >&2; exit 1 ;; esac
}
openssh() {  # openssh BATCH-LINE
  echo "$1" >"$work/sftp.batch"
  seconds sftp -q -b "$work/sftp.batch" -i "$(value ssh_key_rsa)" -o UserKnownHostsFile=/dev/null \
    -o StrictHostKeyChecking=no -P "$sftp_port" "$user@127.0.0.1"
}
same() { cmp -s "$1" "$2" || { echo "$3: bytes differ" >&2; exit 1; }; }
runs=${RUNS:-3}
declare -A t
add() { t[$1]="${t[$1]:-} $2"; }
for ((i = 0; i < runs; i++)); do
  rm -rf "$work/got-ours" "$work/got-ssh" "$sftp_root/put-ours" "$sftp_root/put-ssh"
  add gf_o "$(ours getfiles "$sftp_server" set "$(winpath "$work/got-ours")")"
  add gf_s "$(openssh "get -r set $work/got-ssh")"
  same "$set_dir/f500.bin" "$work/got-ours/f500.bin" "GetFiles over SFTP"
  add pf_o "$(ours putfiles "$sftp_server" "$(winpath "$set_dir")" put-ours)"
  add pf_s "$(openssh "put -r $set_dir put-ssh")"
  same "$set_dir/f500.bin" "$sftp_root/put-ours/f500.bin" "PutFiles over SFTP"
  add g_o "$(ours getfile "$sftp_server" big.bin "$(winpath "$work/big-ours.bin")")"
  add g_s "$(openssh "get big.bin $work/big-ssh.bin")"
  same "$big" "$work/big-ours.bin" "GetFile over SFTP"
  add p_o "$(ours putfile "$sftp_server" "$(winpath "$big")" up-ours.bin)"
  add p_s "$(openssh "put $big up-ssh.bin")"
  same "$big" "$sftp_root/up-ours.bin" "PutFile over SFTP"
  add fg_o "$(ours getfile "$plain_server" big.bin "$(winpath "$work/big-ftp.bin")")"
  add fg_c "$(seconds curl -s -o "$work/big-curl.bin" "ftp://$user:$password@$plain_server/big.bin")"
  same "$big" "$work/big-ftp.bin" "GetFile over FTP"
  add fp_o "$(ours putfile "$plain_server" "$(winpath "$big")" up-ftp.bin)"
  add fp_c "$(seconds curl -s -T "$big" "ftp://$user:$password@$plain_server/up-curl.bin")"
  same "$big" "$plain_root/up-ftp.bin" "PutFile over FTP"
done
row() { local o c; o=$(best ${t[$2]}) c=$(best ${t[$3]})
  printf '%-38s %9s %9s %7s %7s\n' "$1" "$c" "$o" "$(ratio "$o" "$c")" "<=1.0"; }
printf '%-38s %9s %9s %7s %7s\n' "through COM, SpeedLimit 0 (best)" "other s" "OrvFtp s" "ratio" "target"
row "SFTP GetFiles 500 x 20 KB (get -r)" gf_o gf_s
row "SFTP PutFiles 500 x 20 KB (put -r)" pf_o pf_s
row "SFTP GetFile 64 MiB (sftp get)" g_o g_s
row "SFTP PutFile 64 MiB (sftp put)" p_o p_s
row "FTP GetFile 64 MiB (curl)" fg_o fg_c
row "FTP PutFile 64 MiB (curl)" fp_o fp_c

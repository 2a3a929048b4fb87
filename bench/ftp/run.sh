#!/usr/bin/env bash
# run.sh BUILD_DIR: OrvFtp over TLS against plain FTP to the same server in the
# same run: a 64 MiB upload (not paced; target at most 1.5x plain) and a
# 1 MiB download (paced at 100 ms per 4 KiB chunk, a floor of 25.6 s; target
# at most 1.05x the floor, over TLS as over plain). The server is pure-ftpd
# with TLS optional (--tls=1) and a self-signed certificate, pinned; it uses
# the packages, account and certificates of the TLS test servers. Then SFTP
# against OpenSSH's sshd of the test servers: a 64 MiB upload and a 64 MiB
# download without pauses, each against OpenSSH's own sftp client in the same
# run (target at most 1.5x the client).
# Prints a table with every ratio. Build first:
#   cmake --build BUILD_DIR --target ftp_bench
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:?build dir}" && pwd)
bench="$build/bench-bin/ftp_bench.exe"
[ -f "$bench" ] || { echo "missing $bench: cmake --build $build --target ftp_bench" >&2; exit 1; }
eval "$("$root/scripts/wine-session.sh" env "$build")"
"$root/scripts/wine-session.sh" start "$build"
winpath() { echo "Z:${1//\//\\}"; }

work="$build/bench-ftp"
state="$work/servers"
tls_script="$root/tests/ftp/tls/tls_servers.py"
mkdir -p "$work"
/usr/bin/python3 "$tls_script" start --state "$state" --packages "$build/ftp-tls-packages" >/dev/null
value() { sed -n "s/^$1=//p" "$state/servers.txt"; }

# One pure-ftpd that speaks both, on a free port, beside the test servers.
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
"$build/ftp-tls-packages/root/usr/sbin/pure-ftpd" --bind "127.0.0.1,$port" \
  --login "puredb:$state/conf/pureftpd.pdb" --noanonymous --chrooteveryone --dontresolve \
  --passiveportrange 40100:40140 --forcepassiveip 127.0.0.1 \
  --tls 1 --certfile "$state/certs/self.both.pem" --tlsciphersuite 'HIGH:!aNULL:!MD5' \
  </dev/null >"$work/pure-ftpd.log" 2>&1 &
pure=$!
trap 'kill $pure 2>/dev/null; /usr/bin/python3 "$tls_script" stop --state "$state" >/dev/null' EXIT
sleep 1

user=$(value user) password=$(value password)
plain="127.0.0.1:$port"
tls="127.0.0.1:$port:TLS=$(value fingerprint_self)"
big="$work/upload.bin" small="$work/download.bin"
[ -f "$big" ] || head -c $((64 * 1024 * 1024)) /dev/urandom >"$big"
[ -f "$small" ] || head -c $((1024 * 1024)) /dev/urandom >"$small"
served=$(value pureftpd_root)
cp "$small" "$served/bench-download.bin"

field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
best() { printf '%s\n' "$@" | sort -g | head -1; }
ratio() { echo "scale=3; $1 / $2" | bc -l; }
run() {  # run ACTION SERVER LOCAL REMOTE: seconds of one transfer
  local out
  out=$(wine "$bench" "$1" "$2" "$user" "$password" "$(winpath "$3")" "$4" 2>/dev/null)
  case "$out" in *result=0*) echo "$out" | field seconds ;; *) echo "$1 $2 failed: $out" >&2; exit 1 ;; esac
}
same() { cmp -s "$1" "$2" || { echo "$3: bytes differ" >&2; exit 1; }; }
runs=${RUNS:-3}

up_plain=() up_tls=() down_plain=() down_tls=()
for ((i = 0; i < runs; i++)); do
  up_plain+=("$(run upload "$plain" "$big" bench-up-plain.bin)")
  up_tls+=("$(run upload "$tls" "$big" bench-up-tls.bin)")
  same "$big" "$served/bench-up-plain.bin" "upload over plain FTP"
  same "$big" "$served/bench-up-tls.bin" "upload over TLS"
done
# The paced downloads take 25.6 s each: one of each is enough.
down_plain+=("$(run download "$plain" "$work/back-plain.bin" bench-download.bin)")
down_tls+=("$(run download "$tls" "$work/back-tls.bin" bench-download.bin)")
same "$small" "$work/back-plain.bin" "download over plain FTP"
same "$small" "$work/back-tls.bin" "download over TLS"

floor=25.6
up_p=$(best "${up_plain[@]}") up_t=$(best "${up_tls[@]}")
down_p=$(best "${down_plain[@]}") down_t=$(best "${down_tls[@]}")
printf '%-34s %10s %10s %8s %8s\n' "transfer (best of runs)" "plain s" "TLS s" "TLS/pl." "target"
printf '%-34s %10s %10s %8s %8s\n' "64 MiB upload" "$up_p" "$up_t" "$(ratio "$up_t" "$up_p")" "<=1.5"
printf '%-34s %10s %10s %8s %8s\n' "1 MiB paced download" "$down_p" "$down_t" "$(ratio "$down_t" "$down_p")" ""
printf '%-34s %10s %10s %8s %8s\n' "  against the 25.6 s floor" "$(ratio "$down_p" "$floor")" "$(ratio "$down_t" "$floor")" "" "<=1.05"

# SFTP: the engine against OpenSSH's sftp client, both to the test servers' sshd.
sftp_port=$(value sftp_port) sftp_root=$(value sftp_root)
sftp_server="127.0.0.1:$sftp_port:SFTP=$(value ssh_fingerprint_ecdsa)"
openssh() {  # openssh put|get: seconds of one transfer by OpenSSH's sftp
  local batch="$work/sftp.batch" start end
  if [ "$1" = put ]; then echo "put $big bench-up-openssh.bin" >"$batch"
  else echo "get bench-sftp.bin $work/back-openssh.bin" >"$batch"; fi
  start=$(date +%s.%N)
  sftp -q -b "$batch" -i "$(value ssh_key_rsa)" -o UserKnownHostsFile=/dev/null \
    -o StrictHostKeyChecking=no -P "$sftp_port" "$user@127.0.0.1" >/dev/null 2>&1 \
    || { echo "OpenSSH sftp $1 failed" >&2; exit 1; }
  end=$(date +%s.%N)
  printf '%.3f\n' "$(echo "$end - $start" | bc -l)"
}
cp "$big" "$sftp_root/bench-sftp.bin"
sup_ours=() sup_ssh=() sdown_ours=() sdown_ssh=()
for ((i = 0; i < runs; i++)); do
  sup_ours+=("$(run upload "$sftp_server" "$big" bench-up-sftp.bin)")
  sup_ssh+=("$(openssh put)")
  same "$big" "$sftp_root/bench-up-sftp.bin" "upload over SFTP"
  sdown_ours+=("$(run fetch "$sftp_server" "$work/back-sftp.bin" bench-sftp.bin)")
  sdown_ssh+=("$(openssh get)")
  same "$big" "$work/back-sftp.bin" "download over SFTP"
done
su_o=$(best "${sup_ours[@]}") su_s=$(best "${sup_ssh[@]}")
sd_o=$(best "${sdown_ours[@]}") sd_s=$(best "${sdown_ssh[@]}")
printf '%-34s %10s %10s %8s %8s\n' "SFTP (best of runs)" "OpenSSH s" "OrvFtp s" "ratio" "target"
printf '%-34s %10s %10s %8s %8s\n' "64 MiB upload" "$su_s" "$su_o" "$(ratio "$su_o" "$su_s")" "<=1.5"
printf '%-34s %10s %10s %8s %8s\n' "64 MiB download (no pauses)" "$sd_s" "$sd_o" "$(ratio "$sd_o" "$sd_s")" "<=1.5"

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; a no-op when all are present.
set -euo pipefail
pkgs=(
  cmake make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools mingw-w64-x86-64-dev
  mingw-w64-i686-dev
  libz-mingw-w64-dev googletest libssl-dev
  wine wine64 libwine-dev
  xvfb xauth
  zip unzip p7zip-full libarchive-tools openssl libc-bin locales
  python3 python3-pyftpdlib
  curl libwrap0 libmemcached11 libmemcachedutil2 libpcre2-posix3 libhiredis0.14 libsodium23
  imagemagick bc time
  clang libclang-rt-14-dev llvm zlib1g-dev libbz2-dev liblzma-dev libzstd-dev zstd xz-utils
  g++-multilib qemu-user zlib1g-dev:i386 libssl-dev:i386 libbz2-dev:i386 liblzma-dev:i386
  libzstd-dev:i386
  msitools wixl
  osslsigncode age
  clang-format-14
  dpkg-dev perl
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -q i386 || dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The FTP over TLS and SFTP tests unpack vsftpd, proftpd, pure-ftpd and OpenSSH's sshd into
# the build tree (the FTP servers conflict); the line with curl holds the libraries they need.
# dpkg-dev unpacks the Debian sources of OpenSSL and libssh2, and perl configures OpenSSL
# (scripts/openssl-library.sh, scripts/ssh-libraries.sh).
# The i386 packages (hence the foreign architecture) and qemu-user serve the core built for
# 32-bit x86 (scripts/core32-tests.sh). The core reads BZip2, LZMA, XZ and Zstandard entries
# through Debian's libbz2, liblzma and zstd; the zstd and xz tools make test entries. age and
# age-keygen are the peers the age files are checked against.

# The name tests run Wine in the Russian locale (ANSI code page 1251, UTF-8 file names).
if ! locale -a 2>/dev/null | grep -qx 'ru_RU.utf8'; then
  localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; a no-op when all are present.
set -euo pipefail
pkgs=(
  cmake make
  g++-mingw-w64-x86-64-posix mingw-w64-tools mingw-w64-x86-64-dev
  libz-mingw-w64-dev googletest
  wine wine64 libwine-dev
  xvfb xauth
  zip unzip p7zip-full openssl libc-bin
  python3 python3-pyftpdlib
  imagemagick bc time
  clang libclang-rt-14-dev llvm zlib1g-dev
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -q i386 || true
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

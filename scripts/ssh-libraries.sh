#!/usr/bin/env bash
# ssh-libraries.sh DIR TOOLCHAIN: libssh2 over mbedTLS, cross-built with the CMake toolchain file
# TOOLCHAIN as static libraries into DIR/install.
# The sources are Debian trixie's packages (bookworm's libssh2 offers only SHA-1 RSA host keys),
# fetched with apt-get source through a list and state directory of their own under DIR, so the
# system's package lists stay as they are. A second run finds the built libraries and does
# nothing; one with the sources already unpacked only builds.
set -euo pipefail
dir=${1:?directory}
toolchain=${2:?toolchain file}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
install=$dir/install
[ -f "$install/lib/libssh2.a" ] && [ -f "$install/lib/libmbedcrypto.a" ] && exit 0

src=$dir/src
mkdir -p "$src"
unpacked() { find "$src" -maxdepth 1 -type d -name "$1-*" | head -n1; }
if [ -z "$(unpacked libssh2)" ] || [ -z "$(unpacked mbedtls)" ]; then
  command -v dpkg-source >/dev/null || apt-get install -y -qq --no-install-recommends dpkg-dev >/dev/null
  apt=$dir/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
  echo 'deb-src http://deb.debian.org/debian trixie main' >"$apt/sources.list"
  opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o "Dir::State::Lists=$apt/lists" -o APT::Get::List-Cleanup=0 -o "Dir::Cache=$apt/cache"
        -o APT::Sandbox::User=root)
  apt-get "${opts[@]}" -qq update
  (cd "$src" && apt-get "${opts[@]}" -qq source --download-only libssh2 mbedtls >/dev/null)
  for dsc in "$src"/libssh2_*.dsc "$src"/mbedtls_*.dsc; do
    (cd "$src" && dpkg-source --skip-debianization -x "$dsc" >/dev/null)
  done
  rm -rf "$apt"
fi
ssh2_src=$(unpacked libssh2)
mbedtls_src=$(unpacked mbedtls)

common=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX="$install" -DCMAKE_POSITION_INDEPENDENT_CODE=OFF)
jobs=${VELMOR_JOBS:-2}

# mbedTLS in upstream's default configuration (no threading: RSA keys loaded from memory fail
# to sign with it on).
cmake -S "$mbedtls_src" -B "$dir/build-mbedtls" "${common[@]}" -DENABLE_PROGRAMS=OFF \
  -DENABLE_TESTING=OFF -DUSE_SHARED_MBEDTLS_LIBRARY=OFF -DUSE_STATIC_MBEDTLS_LIBRARY=ON \
  -DMBEDTLS_FATAL_WARNINGS=OFF >/dev/null
cmake --build "$dir/build-mbedtls" -j"$jobs" >/dev/null
cmake --install "$dir/build-mbedtls" >/dev/null

cmake -S "$ssh2_src" -B "$dir/build-libssh2" "${common[@]}" -DCRYPTO_BACKEND=mbedTLS \
  -DMBEDTLS_INCLUDE_DIR="$install/include" -DMBEDCRYPTO_LIBRARY="$install/lib/libmbedcrypto.a" \
  -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
  -DENABLE_ZLIB_COMPRESSION=OFF >/dev/null
cmake --build "$dir/build-libssh2" -j"$jobs" >/dev/null
cmake --install "$dir/build-libssh2" >/dev/null
rm -rf "$dir/build-mbedtls" "$dir/build-libssh2"

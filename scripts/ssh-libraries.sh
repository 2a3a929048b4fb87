#!/usr/bin/env bash
# ssh-libraries.sh DIR TOOLCHAIN OPENSSL: libssh2 over OpenSSL's libcrypto (installed in OPENSSL
# by scripts/openssl-library.sh), cross-built with the CMake toolchain file TOOLCHAIN as a static
# library into DIR/install.
# The source is Debian trixie's package (bookworm's libssh2 offers only SHA-1 RSA host keys),
# fetched with apt-get source through a list and state directory of its own under DIR, so the
# system's package lists stay as they are. A second run finds the built library and does
# nothing; one with the source already unpacked only builds.
set -euo pipefail
dir=${1:?directory}
toolchain=${2:?toolchain file}
openssl=${3:?libcrypto folder}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
install=$dir/install
[ -f "$install/lib/libssh2.a" ] && exit 0

src=$dir/src
mkdir -p "$src"
unpacked() { find "$src" -maxdepth 1 -type d -name "$1-*" | head -n1; }
if [ -z "$(unpacked libssh2)" ]; then
  command -v dpkg-source >/dev/null || apt-get install -y -qq --no-install-recommends dpkg-dev >/dev/null
  apt=$dir/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
  echo 'deb-src http://deb.debian.org/debian trixie main' >"$apt/sources.list"
  opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o "Dir::State::Lists=$apt/lists" -o APT::Get::List-Cleanup=0 -o "Dir::Cache=$apt/cache"
        -o APT::Sandbox::User=root)
  apt-get "${opts[@]}" -qq update
  (cd "$src" && apt-get "${opts[@]}" -qq source --download-only libssh2 >/dev/null)
  (cd "$src" && dpkg-source --skip-debianization -x "$src"/libssh2_*.dsc >/dev/null)
  rm -rf "$apt"
fi
ssh2_src=$(unpacked libssh2)

# Both paths explicit: the toolchain confines CMake's searches to the mingw sysroot (LIB_EAY is
# FindOpenSSL's name for libcrypto under mingw).
cmake -S "$ssh2_src" -B "$dir/build-libssh2" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$install" \
  -DCMAKE_POSITION_INDEPENDENT_CODE=OFF -DCRYPTO_BACKEND=OpenSSL \
  -DOPENSSL_ROOT_DIR="$openssl" -DOPENSSL_INCLUDE_DIR="$openssl/include" \
  -DOPENSSL_CRYPTO_LIBRARY="$openssl/lib/libcrypto.a" -DLIB_EAY="$openssl/lib/libcrypto.a" \
  -DOPENSSL_USE_STATIC_LIBS=ON \
  -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
  -DENABLE_ZLIB_COMPRESSION=OFF >/dev/null
cmake --build "$dir/build-libssh2" -j"${VELMOR_JOBS:-2}" >/dev/null
cmake --install "$dir/build-libssh2" >/dev/null
rm -rf "$dir/build-libssh2"

#!/usr/bin/env bash
# openssl-library.sh DIR TOOLCHAIN: OpenSSL's libcrypto, cross-built as a static library into
# DIR/install for the Windows target of the CMake toolchain file TOOLCHAIN (its VELMOR_TRIPLE).
# The source is Debian trixie's package (the newest version listed for trixie and its updates that
# the mirror still holds), fetched with apt-get source through a list and state directory of its
# own under DIR, so the system's package lists stay as they are. A second run
# finds the built library and does nothing; one with the source already unpacked only builds.
set -euo pipefail
dir=${1:?directory}
toolchain=${2:?toolchain file}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
install=$dir/install
[ -f "$install/lib/libcrypto.a" ] && exit 0

triple=$(sed -n 's/^ *set(VELMOR_TRIPLE \([^ )]*\)).*/\1/p' "$toolchain")
case $triple in
  x86_64-*-mingw32) target=mingw64 ;;
  i686-*-mingw32) target=mingw ;;
  *) echo "openssl-library.sh: no OpenSSL target for '$triple' ($toolchain)" >&2; exit 1 ;;
esac

src=$dir/src
mkdir -p "$src"
unpacked() { find "$src" -maxdepth 1 -type d -name "$1-*" | head -n1; }
if [ -z "$(unpacked openssl)" ]; then
  command -v dpkg-source >/dev/null || apt-get install -y -qq --no-install-recommends dpkg-dev >/dev/null
  apt=$dir/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
  printf 'deb-src http://deb.debian.org/debian %s main\n' trixie trixie-updates >"$apt/sources.list"
  opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o "Dir::State::Lists=$apt/lists" -o APT::Get::List-Cleanup=0 -o "Dir::Cache=$apt/cache"
        -o APT::Sandbox::User=root)
  apt-get "${opts[@]}" -qq update
  for version in $(apt-cache "${opts[@]}" showsrc openssl | sed -n 's/^Version: //p' | sort -urV); do
    (cd "$src" && apt-get "${opts[@]}" -qq source --download-only "openssl=$version" \
      >/dev/null 2>&1) && break
    rm -f "$src"/openssl_*
  done
  (cd "$src" && dpkg-source --skip-debianization -x "$src"/openssl_*.dsc >/dev/null)
  rm -rf "$apt"
fi
openssl_src=$(unpacked openssl)

# libcrypto alone, with its algorithms built in (no engines, no loadable providers) and
# nothing that reads a DLL at run time. CMake runs this script with CC set to its compiler's full
# path, which OpenSSL's Configure would put behind the cross prefix: the prefix alone names the
# tools.
unset CC CXX
build=$dir/build-openssl
rm -rf "$build"
mkdir -p "$build"
(cd "$build" && "$openssl_src/Configure" "$target" --cross-compile-prefix="$triple-" \
  --prefix="$install" --libdir=lib no-shared no-tests no-apps no-docs no-engine no-module \
  no-dso -static >/dev/null)
jobs=${VELMOR_JOBS:-2}
make -C "$build" -j"$jobs" build_generated >/dev/null
make -C "$build" -j"$jobs" libcrypto.a >/dev/null
mkdir -p "$install/lib" "$install/include/openssl"
cp "$openssl_src"/include/openssl/*.h "$install/include/openssl/"
cp "$build"/include/openssl/*.h "$install/include/openssl/"
cp "$build/libcrypto.a" "$install/lib/"
rm -rf "$build"

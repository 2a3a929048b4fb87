#!/usr/bin/env bash
# package.sh [--no-build] [--sign CERT.pfx [--timestamp URL]] [BUILD_DIR [OUT_DIR]]: the release
# packages OUT_DIR/VelmorCOM-<version>.zip (both DLLs), OUT_DIR/VelmorCOM-<version>-x64.msi (for
# 64-bit Windows, both DLLs) and OUT_DIR/VelmorCOM-<version>-x86.msi (for 32-bit Windows), with
# their checksums in OUT_DIR/SHA256SUMS (OUT_DIR defaults to dist/ in the source tree). The
# 64-bit library comes from BUILD_DIR/bin, the 32-bit one from BUILD_DIR/x86/bin. Builds
# BUILD_DIR first unless --no-build.
# --sign: Authenticode (SHA-256) signatures on the DLLs and the MSIs with the certificate and key
# of CERT.pfx, whose password is read from the environment variable VELMOR_SIGN_PASSWORD (empty
# when unset); --timestamp adds a time stamp from that server. Checksums are taken after signing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_first=1
cert=
timestamp=
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build_first=0; shift ;;
    --sign) cert=$(cd "$(dirname "${2:?--sign CERT.pfx}")" && pwd)/$(basename "$2"); shift 2 ;;
    --timestamp) timestamp=${2:?--timestamp URL}; shift 2 ;;
    --) shift; break ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
[ -z "$timestamp" ] || [ -n "$cert" ] || { echo "--timestamp needs --sign" >&2; exit 2; }
[ -z "$cert" ] || [ -f "$cert" ] || { echo "no certificate file $cert" >&2; exit 2; }
build=${1:-$root/build}
out=${2:-$root/dist}
if [ $build_first -eq 1 ]; then
  "$root/scripts/install-deps.sh"
  "$root/scripts/build.sh" "$build"
fi
build=$(cd "$build" && pwd)
version=$(cat "$build/generated/version.txt")
name=VelmorCOM-$version
bin=$build/bin
for f in bin/VelmorCOM.dll bin/VelmorCOM.tlb bin/VelmorCOM_h.h bin/VelmorCOM_i.c \
         x86/bin/VelmorCOM.dll x86/bin/VelmorCOM.tlb tools/velmor_installer_registry.exe; do
  [ -f "$build/$f" ] || { echo "missing $build/$f: build the library first" >&2; exit 1; }
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# Signs FILE in place; the password reaches osslsigncode through a pipe, never its arguments.
sign() {
  local args=(sign -pkcs12 "$cert" -readpass /dev/stdin -h sha256 -n "Velmor COM Module")
  [ -z "$timestamp" ] || args+=(-ts "$timestamp")
  printf '%s' "${VELMOR_SIGN_PASSWORD:-}" |
    osslsigncode "${args[@]}" -in "$1" -out "$1.signed" >/dev/null
  mv "$1.signed" "$1"
}
pkg=$stage/$name
mkdir -p "$pkg/x64" "$pkg/x86" "$pkg/include" "$pkg/docs" "$pkg/examples"
# The DLLs without their symbol tables (the build keeps them for debugging).
x86_64-w64-mingw32-strip -o "$pkg/x64/VelmorCOM.dll" "$bin/VelmorCOM.dll"
i686-w64-mingw32-strip -o "$pkg/x86/VelmorCOM.dll" "$build/x86/bin/VelmorCOM.dll"
for arch in x64 x86; do
  [ -z "$cert" ] || sign "$pkg/$arch/VelmorCOM.dll"
done
cp "$bin/VelmorCOM.tlb" "$pkg/x64/"
cp "$build/x86/bin/VelmorCOM.tlb" "$pkg/x86/"
cp "$bin/VelmorCOM_h.h" "$bin/VelmorCOM_i.c" "$pkg/include/"
cp "$root"/docs/*.md "$root"/docs/*.png "$pkg/docs/"
cp "$root/examples/hello_velmor.vbs" "$root/examples/hello_velmor.js" "$root/examples/VelmorCOM.bas" \
   "$root/examples/VelmorProgress.cls" "$root/examples/zip_progress.js" \
   "$root/examples/host/host_example.cpp" "$pkg/examples/"
cp "$root"/examples/package/*.cmd "$root/examples/package/README.txt" "$pkg/"
# Windows text: CRLF line ends (the VBA editor and cmd.exe need them).
find "$pkg" -type f \( -name '*.cmd' -o -name '*.bas' -o -name '*.cls' -o -name '*.vbs' -o -name '*.js' \
     -o -name '*.txt' -o -name '*.md' -o -name '*.cpp' -o -name '*.h' -o -name '*.c' \) \
     -exec sed -i 's/\r*$/\r/' {} +
(cd "$pkg" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort |
   xargs -d '\n' sha256sum > SHA256SUMS)

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/$name.zip" "$out/$name-x64.msi" "$out/$name-x86.msi"
(cd "$stage" && find "$name" | LC_ALL=C sort | zip -q -X -D "$out/$name.zip" -@)
for arch in x64 x86; do
  "$root/scripts/msi.sh" "$build" "$pkg" "$version" "$out/$name-$arch.msi" "$arch"
  [ -z "$cert" ] || sign "$out/$name-$arch.msi"
done
(cd "$out" && sha256sum "$name.zip" "$name-x64.msi" "$name-x86.msi" > SHA256SUMS)
echo "$out/$name.zip"
echo "$out/$name-x64.msi"
echo "$out/$name-x86.msi"

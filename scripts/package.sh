#!/usr/bin/env bash
# package.sh [--no-build] [BUILD_DIR [OUT_DIR]]: the release package OUT_DIR/VelmorCOM-<version>.zip
# (OUT_DIR defaults to dist/ in the source tree). Builds BUILD_DIR first unless --no-build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_first=1
if [ "${1:-}" = "--no-build" ]; then build_first=0; shift; fi
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
for f in VelmorCOM.dll VelmorCOM.tlb VelmorCOM_h.h VelmorCOM_i.c; do
  [ -f "$bin/$f" ] || { echo "missing $bin/$f: build the library first" >&2; exit 1; }
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
pkg=$stage/$name
mkdir -p "$pkg/x64" "$pkg/include" "$pkg/docs" "$pkg/examples"
# The DLL without its symbol tables (the build keeps them for debugging).
x86_64-w64-mingw32-strip -o "$pkg/x64/VelmorCOM.dll" "$bin/VelmorCOM.dll"
cp "$bin/VelmorCOM.tlb" "$pkg/x64/"
cp "$bin/VelmorCOM_h.h" "$bin/VelmorCOM_i.c" "$pkg/include/"
cp "$root"/docs/*.md "$root"/docs/*.png "$pkg/docs/"
cp "$root/examples/hello_velmor.vbs" "$root/examples/hello_velmor.js" "$root/examples/VelmorCOM.bas" \
   "$root/examples/host/host_example.cpp" "$pkg/examples/"
cp "$root"/examples/package/*.cmd "$root/examples/package/README.txt" "$pkg/"
# Windows text: CRLF line ends (the VBA editor and cmd.exe need them).
find "$pkg" -type f \( -name '*.cmd' -o -name '*.bas' -o -name '*.vbs' -o -name '*.js' \
     -o -name '*.txt' -o -name '*.md' -o -name '*.cpp' -o -name '*.h' -o -name '*.c' \) \
     -exec sed -i 's/\r*$/\r/' {} +
(cd "$pkg" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort |
   xargs -d '\n' sha256sum > SHA256SUMS)

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/$name.zip"
(cd "$stage" && find "$name" | LC_ALL=C sort | zip -q -X -D "$out/$name.zip" -@)
echo "$out/$name.zip"

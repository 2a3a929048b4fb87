#!/usr/bin/env bash
# inflater-libraries.sh DIR TOOLCHAIN [DIGEST]: the decompressors the ZIP reader uses besides
# zlib, cross-built as static libraries into DIR/install for the Windows target of the CMake
# toolchain file TOOLCHAIN: bzip2's libbz2, xz-utils' liblzma (decoders alone, single-threaded)
# and zstd's decompressor. The sources are Debian trixie's packages, fetched by
# debian-source.sh (DIGEST, that script's hash, only makes the cache folder change with it).
# A second run finds the built libraries and does nothing.
set -euo pipefail
dir=${1:?directory}
toolchain=${2:?toolchain file}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
install=$dir/install
stamp=$install/complete
[ -f "$stamp" ] && exit 0

triple=$(sed -n 's/^ *set(VELMOR_TRIPLE \([^ )]*\)).*/\1/p' "$toolchain")
[ -n "$triple" ] || { echo "inflater-libraries.sh: no VELMOR_TRIPLE in $toolchain" >&2; exit 1; }
cc=$triple-gcc-posix
ar=$triple-ar
src=$dir/src
"$(dirname "$0")/debian-source.sh" "$src" bzip2 xz-utils libzstd
mkdir -p "$install/lib" "$install/include"
cflags=(-O2 -DNDEBUG)

# compile LIBRARY FLAGS... -- SOURCES...: the sources compiled into DIR/install/lib/LIBRARY.
compile() {
  local library=$1 objects=$dir/objects-$1 flags=() source
  shift
  while [ "$1" != -- ]; do flags+=("$1"); shift; done
  shift
  rm -rf "$objects"
  mkdir -p "$objects"
  for source in "$@"; do
    "$cc" "${cflags[@]}" "${flags[@]}" -c "$source" -o "$objects/$(basename "${source%.c}").o"
  done
  rm -f "$install/lib/$library"
  "$ar" rcs "$install/lib/$library" "$objects"/*.o
  rm -rf "$objects"
}

# libbz2: its own makefile's object list.
bz=$src/bzip2
compile libbz2.a -D_FILE_OFFSET_BITS=64 -- \
  "$bz"/{blocksort,huffman,crctable,randtable,compress,decompress,bzlib}.c
cp "$bz/bzlib.h" "$install/include/"

# zstd's decompressor without the legacy formats; the x86-64 assembly is for ELF and Mach-O
# only, the C loops serve.
zs=$src/libzstd/lib
compile libzstd.a -DZSTD_DISABLE_ASM -DZSTD_LEGACY_SUPPORT=0 -DZSTD_MULTITHREAD=0 -I"$zs" \
  -I"$zs/common" -- "$zs"/common/{entropy_common,error_private,fse_decompress,xxhash,zstd_common}.c \
  "$zs"/decompress/{huf_decompress,zstd_ddict,zstd_decompress,zstd_decompress_block}.c
cp "$zs/zstd.h" "$zs/zstd_errors.h" "$install/include/"

# liblzma through its own CMake build: decoders of the .xz format and raw LZMA1, no threads, no
# command-line tools. Whoever includes lzma.h defines LZMA_API_STATIC.
cmake -S "$src/xz-utils" -B "$dir/build-xz" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$install" -DBUILD_SHARED_LIBS=OFF \
  -DBUILD_TESTING=OFF -DXZ_NLS=OFF -DXZ_THREADS=no -DXZ_ENCODERS= -DXZ_DOC=OFF \
  -DXZ_TOOL_XZ=OFF -DXZ_TOOL_XZDEC=OFF -DXZ_TOOL_LZMADEC=OFF -DXZ_TOOL_LZMAINFO=OFF \
  -DXZ_MICROLZMA_ENCODER=OFF -DXZ_MICROLZMA_DECODER=OFF -DXZ_LZIP_DECODER=OFF >/dev/null
cmake --build "$dir/build-xz" -j"${VELMOR_JOBS:-2}" --target liblzma >/dev/null
cmake --install "$dir/build-xz" --component liblzma_Development >/dev/null
rm -rf "$dir/build-xz" "$install/lib/cmake" "$install/lib/pkgconfig"
# Last: a run cut short leaves no folder that looks done.
touch "$stamp"

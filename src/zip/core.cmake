# The platform-free ZIP core: records, CRC-32, the traditional cipher, the AES format and
# CTR mode, and the reader over a byte source down to an entry's decrypted, inflated bytes,
# with an inflater for each method over its library (zlib, libbz2, liblzma, zstd, and 7-Zip's
# Deflate decoder compiled from its Debian source).
include(${VELMOR_ROOT}/cmake/SevenZipDeflate.cmake)
find_package(BZip2 REQUIRED)
find_package(LibLZMA REQUIRED)
find_path(ZSTD_INCLUDE_DIR zstd.h REQUIRED)
find_library(ZSTD_LIBRARY NAMES zstd REQUIRED)
velmor_core_library(NAME velmor_zip_core
    SOURCES format/records.cpp format/crc32.cpp format/cipher.cpp format/extra_field.cpp
        format/aes_format.cpp format/aes_ctr.cpp format/utf8.cpp format/zip64.cpp
        read/reader_byte_source.cpp read/reader_end_record.cpp read/reader_cursor.cpp
        read/reader_entry_mapping.cpp read/reader_overlap.cpp read/extract_entry_stream.cpp read/extract_aes_source.cpp
        read/stored_entries.cpp
        read/parallel_extract.cpp
        read/entry_inflater.cpp read/inflater_memory.cpp read/deflate_inflater.cpp read/deflate64_inflater.cpp
        read/bzip2_inflater.cpp read/lzma_inflater.cpp read/xz_inflater.cpp read/zstd_inflater.cpp
    LIBS ZLIB::ZLIB BZip2::BZip2 LibLZMA::LibLZMA ${ZSTD_LIBRARY} velmor_7zip_deflate)
target_include_directories(velmor_zip_core PRIVATE ${ZSTD_INCLUDE_DIR})

# The AES primitives over OpenSSL, for the Linux build only.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
velmor_core_library(NAME velmor_zip_core_crypto SOURCES openssl/aes_crypto_openssl.cpp
    LIBS OpenSSL::Crypto)

# The writer over an output and a source seam: records, entry data (CRC-32, DEFLATE, the
# cipher or AES) and the order of writes.
velmor_core_library(NAME velmor_zip_write_core
    SOURCES write/deflater.cpp write/writer_entry.cpp write/entry_layout.cpp write/aes_entry_encryptor.cpp
        write/entry_encoder.cpp write/writer.cpp write/parallel_pack.cpp
    LIBS velmor_zip_core)

# AddFolder's choices: wildcard masks and the folder walk over a listing seam.
velmor_core_library(NAME velmor_zip_folder_core SOURCES name_mask.cpp folder_walk.cpp)

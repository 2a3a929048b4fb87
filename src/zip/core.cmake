# The platform-free ZIP core: records, CRC-32, the traditional cipher, the AES format and
# CTR mode, and the reader over a byte source down to an entry's decrypted, inflated bytes.
velmor_core_library(NAME velmor_zip_core
    SOURCES records.cpp crc32.cpp cipher.cpp extra_field.cpp aes_format.cpp aes_ctr.cpp utf8.cpp
        reader_byte_source.cpp reader_end_record.cpp reader_cursor.cpp reader_entry_mapping.cpp
        extract_entry_stream.cpp extract_aes_source.cpp
    LIBS ZLIB::ZLIB)

# The AES primitives over OpenSSL, for the Linux build only.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
velmor_core_library(NAME velmor_zip_core_crypto SOURCES aes_crypto_openssl.cpp
    LIBS OpenSSL::Crypto)

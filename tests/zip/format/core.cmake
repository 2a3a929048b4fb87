velmor_core_test(NAME zip_format_core SOURCES records_test.cpp zip64_test.cpp cipher_test.cpp aes_test.cpp
    LIBS velmor_zip_core velmor_zip_core_crypto)

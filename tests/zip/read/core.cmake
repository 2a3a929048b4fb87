velmor_core_test(NAME zip_reader_core SOURCES memory_reader_test.cpp test_archive_builder.cpp
    LIBS velmor_zip_core velmor_zip_core_crypto)
velmor_core_test(NAME zip_parallel_extract SOURCES parallel_extract_test.cpp test_archive_builder.cpp
    LIBS velmor_zip_core velmor_zip_core_crypto)
velmor_core_test(NAME zip_methods SOURCES methods_test.cpp test_archive_builder.cpp
    LIBS velmor_zip_core velmor_zip_core_crypto)

velmor_core_test(NAME zip_records_core SOURCES records_test.cpp cipher_test.cpp LIBS velmor_zip_core)

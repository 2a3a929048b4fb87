velmor_fuzz_target(NAME zip_reader_fuzz SOURCE reader_fuzz.cpp CORPUS corpus
    LIBS velmor_zip_core velmor_zip_core_crypto)

velmor_fuzz_target(NAME age_header_fuzz SOURCE header_fuzz.cpp CORPUS header_corpus
    LIBS velmor_age_core velmor_age_core_crypto)
velmor_fuzz_target(NAME age_armor_fuzz SOURCE armor_fuzz.cpp CORPUS armor_corpus
    LIBS velmor_age_core velmor_age_core_crypto)

# The platform-free age core: base64 and bech32, the header and its stanzas, the armor.
velmor_core_library(NAME velmor_age_core
    SOURCES secure_zero.cpp base64.cpp bech32.cpp header.cpp armor.cpp)

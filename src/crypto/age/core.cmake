# The platform-free age core: base64 and bech32, the header and its stanzas, the armor,
# STREAM chunking, recipients and identities, and whole files; the primitives come through
# the AgeCrypto seam.
velmor_core_library(NAME velmor_age_core
    SOURCES secure_zero.cpp base64.cpp bech32.cpp header.cpp armor.cpp stream.cpp chunk_workers.cpp
        keys.cpp
        stanzas.cpp age_file.cpp)

# The primitives over OpenSSL's libcrypto.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
velmor_core_library(NAME velmor_age_core_crypto SOURCES openssl/age_crypto_openssl.cpp
    LIBS OpenSSL::Crypto)

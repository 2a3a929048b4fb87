// The primitives the age format needs, behind one narrow interface: system random bytes,
// X25519, HKDF-SHA-256, HMAC-SHA-256, scrypt and ChaCha20-Poly1305. The format code above it
// knows nothing of the library that provides them. Implementations keep no state between
// calls, so that one object serves any number of threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmor::crypto::age {

inline constexpr std::size_t kKeySize = 32;
inline constexpr std::size_t kNonceSize = 12;
inline constexpr std::size_t kTagSize = 16;

class AgeCrypto {
public:
    virtual ~AgeCrypto() = default;

    virtual bool RandomBytes(uint8_t* out, std::size_t size) = 0;
    // The public key of a 32-byte scalar (the product with the base point).
    virtual bool X25519Public(const uint8_t* secret, uint8_t* publicKey) = 0;
    // The 32-byte shared secret; false when the peer's key is refused.
    virtual bool X25519Shared(const uint8_t* secret, const uint8_t* peerPublic,
                              uint8_t* shared) = 0;
    virtual bool HkdfSha256(const uint8_t* ikm, std::size_t ikmSize, const uint8_t* salt,
                            std::size_t saltSize, const std::string& info, uint8_t* out,
                            std::size_t outSize) = 0;
    virtual bool HmacSha256(const uint8_t* key, std::size_t keySize, const uint8_t* data,
                            std::size_t dataSize, uint8_t* mac) = 0;
    // scrypt with N = 2^logN; out is outSize bytes.
    virtual bool Scrypt(const std::string& password, const uint8_t* salt, std::size_t saltSize,
                        unsigned logN, unsigned r, unsigned p, uint8_t* out,
                        std::size_t outSize) = 0;
    // out receives size bytes of cipher text followed by the 16-byte tag.
    virtual bool ChaChaPolySeal(const uint8_t* key, const uint8_t* nonce, const uint8_t* in,
                                std::size_t size, uint8_t* out) = 0;
    // in is size bytes of cipher text followed by the tag; false when the tag does not
    // verify. out may hold garbage then and must not be used.
    virtual bool ChaChaPolyOpen(const uint8_t* key, const uint8_t* nonce, const uint8_t* in,
                                std::size_t size, uint8_t* out) = 0;
};

// libcrypto's primitives (OpenSSL).
AgeCrypto& OpenSslAgeCrypto();

}  // namespace velmor::crypto::age

// The cryptographic primitives that AES entries need, behind one narrow interface:
// PBKDF2-HMAC-SHA1, AES encryption of whole blocks under one key, and HMAC-SHA1.
//
// Production code uses PlatformAesCrypto() (CNG, bcrypt.dll); the format logic above it
// knows nothing of the platform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace velmor::zip {

class AesBlockCipher {
public:
    virtual ~AesBlockCipher() = default;
    // Encrypts size bytes (a multiple of the block size) block by block, independently.
    virtual bool EncryptBlocks(const uint8_t* in, uint8_t* out, uint32_t size) = 0;
};

class HmacSha1 {
public:
    virtual ~HmacSha1() = default;
    virtual bool Update(const uint8_t* data, uint32_t size) = 0;
    // The 20-byte code of everything passed to Update.
    virtual bool Finish(uint8_t* digest) = 0;
};

class AesCrypto {
public:
    virtual ~AesCrypto() = default;
    virtual bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt,
                                  uint32_t saltSize, uint32_t iterations, uint8_t* out,
                                  uint32_t outSize) = 0;
    // Null when the platform refuses the key.
    virtual std::unique_ptr<AesBlockCipher> CreateBlockCipher(const uint8_t* key,
                                                              uint32_t keySize) = 0;
    virtual std::unique_ptr<HmacSha1> CreateHmacSha1(const uint8_t* key, uint32_t keySize) = 0;
};

// CNG: BCryptDeriveKeyPBKDF2, AES in ECB mode, HMAC-SHA1.
AesCrypto& PlatformAesCrypto();

}  // namespace velmor::zip

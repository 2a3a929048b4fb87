// AesCrypto over CNG. Every object owns the algorithm provider and the key or hash
// handle it opened, and closes them when it goes. Nothing is shared between calls or
// objects, so the packing workers may derive, encrypt and authenticate at the same time.
#include <windows.h>

#include <bcrypt.h>

#include "base/win/handle_traits.h"
#include "zip/format/aes_crypto.h"

namespace velmor::zip {

namespace {

// An open provider, or none when the platform refuses the algorithm.
ScopedBCryptAlgorithm OpenAlgorithm(LPCWSTR algorithm, ULONG flags) {
    ScopedBCryptAlgorithm provider;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(provider.receive(), algorithm, nullptr, flags))) {
        provider.release();  // nothing was opened
    }
    return provider;
}

class CngBlockCipher : public AesBlockCipher {
public:
    CngBlockCipher() : aes_(OpenAlgorithm(BCRYPT_AES_ALGORITHM, 0)) {}

    bool Init(const uint8_t* key, uint32_t keySize) {
        if (!aes_.get()) return false;
        const ULONG modeBytes = sizeof(BCRYPT_CHAIN_MODE_ECB);
        if (!BCRYPT_SUCCESS(BCryptSetProperty(aes_.get(), BCRYPT_CHAINING_MODE,
                                              (PUCHAR)BCRYPT_CHAIN_MODE_ECB, modeBytes, 0))) {
            return false;
        }
        if (!BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(aes_.get(), key_.receive(), nullptr, 0,
                                                       const_cast<PUCHAR>(key), keySize, 0))) {
            key_.release();
            return false;
        }
        return true;
    }

    bool EncryptBlocks(const uint8_t* in, uint8_t* out, uint32_t size) override {
        ULONG done = 0;
        return BCRYPT_SUCCESS(BCryptEncrypt(key_.get(), const_cast<PUCHAR>(in), size, nullptr,
                                            nullptr, 0, out, size, &done, 0)) &&
               done == size;
    }

private:
    ScopedBCryptAlgorithm aes_;  // outlives the key made from it
    ScopedBCryptKey key_;
};

class CngHmacSha1 : public HmacSha1 {
public:
    CngHmacSha1() : sha1_(OpenAlgorithm(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG)) {}

    bool Init(const uint8_t* key, uint32_t keySize) {
        if (!sha1_.get()) return false;
        if (!BCRYPT_SUCCESS(BCryptCreateHash(sha1_.get(), hash_.receive(), nullptr, 0,
                                             const_cast<PUCHAR>(key), keySize, 0))) {
            hash_.release();
            return false;
        }
        return true;
    }

    bool Update(const uint8_t* data, uint32_t size) override {
        return size == 0 ||
               BCRYPT_SUCCESS(BCryptHashData(hash_.get(), const_cast<PUCHAR>(data), size, 0));
    }

    bool Finish(uint8_t* digest) override {
        return BCRYPT_SUCCESS(BCryptFinishHash(hash_.get(), digest, 20, 0));
    }

private:
    ScopedBCryptAlgorithm sha1_;  // outlives the hash made from it
    ScopedBCryptHash hash_;
};

class CngAesCrypto : public AesCrypto {
public:
    bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt, uint32_t saltSize,
                          uint32_t iterations, uint8_t* out, uint32_t outSize) override {
        const ScopedBCryptAlgorithm prf =
            OpenAlgorithm(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
        if (!prf.get()) return false;
        auto* bytes = reinterpret_cast<PUCHAR>(const_cast<char*>(password.data()));
        return BCRYPT_SUCCESS(
            BCryptDeriveKeyPBKDF2(prf.get(), bytes, static_cast<ULONG>(password.size()),
                                  const_cast<PUCHAR>(salt), saltSize, iterations, out, outSize, 0));
    }

    std::unique_ptr<AesBlockCipher> CreateBlockCipher(const uint8_t* key,
                                                      uint32_t keySize) override {
        auto cipher = std::make_unique<CngBlockCipher>();
        if (!cipher->Init(key, keySize)) return nullptr;
        return cipher;
    }

    std::unique_ptr<HmacSha1> CreateHmacSha1(const uint8_t* key, uint32_t keySize) override {
        auto mac = std::make_unique<CngHmacSha1>();
        if (!mac->Init(key, keySize)) return nullptr;
        return mac;
    }
};

}  // namespace

AesCrypto& PlatformAesCrypto() {
    static CngAesCrypto crypto;
    return crypto;
}

}  // namespace velmor::zip

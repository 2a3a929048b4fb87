// AesCrypto over CNG. Every object owns the algorithm provider and the key or hash
// handle it opened, and closes them when it goes.
#include <windows.h>

#include <bcrypt.h>

#include "zip/format/aes_crypto.h"

namespace velmor::zip {

namespace {

class AlgorithmProvider {
public:
    AlgorithmProvider(LPCWSTR algorithm, ULONG flags) {
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, flags))) {
            handle_ = nullptr;
        }
    }
    ~AlgorithmProvider() {
        if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
    }
    AlgorithmProvider(const AlgorithmProvider&) = delete;
    AlgorithmProvider& operator=(const AlgorithmProvider&) = delete;
    BCRYPT_ALG_HANDLE get() const { return handle_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class CngBlockCipher : public AesBlockCipher {
public:
    CngBlockCipher() : aes_(BCRYPT_AES_ALGORITHM, 0) {}
    ~CngBlockCipher() override {
        if (key_) BCryptDestroyKey(key_);
    }

    bool Init(const uint8_t* key, uint32_t keySize) {
        if (!aes_.get()) return false;
        const ULONG modeBytes = sizeof(BCRYPT_CHAIN_MODE_ECB);
        if (!BCRYPT_SUCCESS(BCryptSetProperty(aes_.get(), BCRYPT_CHAINING_MODE,
                                              (PUCHAR)BCRYPT_CHAIN_MODE_ECB, modeBytes, 0))) {
            return false;
        }
        if (!BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(aes_.get(), &key_, nullptr, 0,
                                                       const_cast<PUCHAR>(key), keySize, 0))) {
            key_ = nullptr;
            return false;
        }
        return true;
    }

    bool EncryptBlocks(const uint8_t* in, uint8_t* out, uint32_t size) override {
        ULONG done = 0;
        return BCRYPT_SUCCESS(BCryptEncrypt(key_, const_cast<PUCHAR>(in), size, nullptr,
                                            nullptr, 0, out, size, &done, 0)) &&
               done == size;
    }

private:
    AlgorithmProvider aes_;
    BCRYPT_KEY_HANDLE key_ = nullptr;
};

class CngHmacSha1 : public HmacSha1 {
public:
    CngHmacSha1() : sha1_(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG) {}
    ~CngHmacSha1() override {
        if (hash_) BCryptDestroyHash(hash_);
    }

    bool Init(const uint8_t* key, uint32_t keySize) {
        if (!sha1_.get()) return false;
        if (!BCRYPT_SUCCESS(BCryptCreateHash(sha1_.get(), &hash_, nullptr, 0,
                                             const_cast<PUCHAR>(key), keySize, 0))) {
            hash_ = nullptr;
            return false;
        }
        return true;
    }

    bool Update(const uint8_t* data, uint32_t size) override {
        return size == 0 ||
               BCRYPT_SUCCESS(BCryptHashData(hash_, const_cast<PUCHAR>(data), size, 0));
    }

    bool Finish(uint8_t* digest) override {
        return BCRYPT_SUCCESS(BCryptFinishHash(hash_, digest, 20, 0));
    }

private:
    AlgorithmProvider sha1_;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
};

class CngAesCrypto : public AesCrypto {
public:
    bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt, uint32_t saltSize,
                          uint32_t iterations, uint8_t* out, uint32_t outSize) override {
        AlgorithmProvider prf(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
        if (!prf.get()) return false;
        auto* bytes = reinterpret_cast<PUCHAR>(const_cast<char*>(password.data()));
        return BCRYPT_SUCCESS(BCryptDeriveKeyPBKDF2(
            prf.get(), bytes, static_cast<ULONG>(password.size()), const_cast<PUCHAR>(salt),
            saltSize, iterations, out, outSize, 0));
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

// AesCrypto over OpenSSL's libcrypto, for the Linux build of the core (its tests and fuzz
// targets); the library itself uses the CNG one.
#include <openssl/core_names.h>
#include <openssl/evp.h>

#include "zip/format/aes_crypto.h"

namespace velmor::zip {

namespace {

class OpenSslBlockCipher : public AesBlockCipher {
public:
    ~OpenSslBlockCipher() override { EVP_CIPHER_CTX_free(context_); }

    bool Init(const uint8_t* key, uint32_t keySize) {
        const EVP_CIPHER* type = keySize == 16   ? EVP_aes_128_ecb()
                                 : keySize == 24 ? EVP_aes_192_ecb()
                                 : keySize == 32 ? EVP_aes_256_ecb()
                                                 : nullptr;
        context_ = EVP_CIPHER_CTX_new();
        return type != nullptr && context_ != nullptr &&
               EVP_EncryptInit_ex(context_, type, nullptr, key, nullptr) == 1 &&
               EVP_CIPHER_CTX_set_padding(context_, 0) == 1;
    }

    bool EncryptBlocks(const uint8_t* in, uint8_t* out, uint32_t size) override {
        int done = 0;
        return EVP_EncryptUpdate(context_, out, &done, in, static_cast<int>(size)) == 1 &&
               static_cast<uint32_t>(done) == size;
    }

private:
    EVP_CIPHER_CTX* context_ = nullptr;
};

class OpenSslHmacSha1 : public HmacSha1 {
public:
    ~OpenSslHmacSha1() override {
        EVP_MAC_CTX_free(context_);
        EVP_MAC_free(mac_);
    }

    bool Init(const uint8_t* key, uint32_t keySize) {
        mac_ = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
        if (mac_ == nullptr || (context_ = EVP_MAC_CTX_new(mac_)) == nullptr) return false;
        char digest[] = "SHA1";
        const OSSL_PARAM params[] = {
            OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
            OSSL_PARAM_construct_end()};
        return EVP_MAC_init(context_, key, keySize, params) == 1;
    }

    bool Update(const uint8_t* data, uint32_t size) override {
        return size == 0 || EVP_MAC_update(context_, data, size) == 1;
    }

    bool Finish(uint8_t* digest) override {
        size_t length = 0;
        return EVP_MAC_final(context_, digest, &length, 20) == 1 && length == 20;
    }

private:
    EVP_MAC* mac_ = nullptr;
    EVP_MAC_CTX* context_ = nullptr;
};

class OpenSslAesCrypto : public AesCrypto {
public:
    bool DerivePbkdf2Sha1(const std::string& password, const uint8_t* salt, uint32_t saltSize,
                          uint32_t iterations, uint8_t* out, uint32_t outSize) override {
        return PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt,
                                      static_cast<int>(saltSize), static_cast<int>(iterations),
                                      static_cast<int>(outSize), out) == 1;
    }

    std::unique_ptr<AesBlockCipher> CreateBlockCipher(const uint8_t* key,
                                                      uint32_t keySize) override {
        auto cipher = std::make_unique<OpenSslBlockCipher>();
        if (!cipher->Init(key, keySize)) return nullptr;
        return cipher;
    }

    std::unique_ptr<HmacSha1> CreateHmacSha1(const uint8_t* key, uint32_t keySize) override {
        auto mac = std::make_unique<OpenSslHmacSha1>();
        if (!mac->Init(key, keySize)) return nullptr;
        return mac;
    }
};

}  // namespace

AesCrypto& PlatformAesCrypto() {
    static OpenSslAesCrypto crypto;
    return crypto;
}

}  // namespace velmor::zip

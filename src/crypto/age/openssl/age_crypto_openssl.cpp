// AgeCrypto over OpenSSL's libcrypto. Every call builds and frees its own contexts.
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/rand.h>

#include <climits>
#include <memory>

#include "crypto/age/age_crypto.h"

namespace velmor::crypto::age {

namespace {

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct PkeyCtxFree {
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
struct KdfFree {
    void operator()(EVP_KDF* kdf) const { EVP_KDF_free(kdf); }
};
struct KdfCtxFree {
    void operator()(EVP_KDF_CTX* context) const { EVP_KDF_CTX_free(context); }
};
struct MacFree {
    void operator()(EVP_MAC* mac) const { EVP_MAC_free(mac); }
};
struct MacCtxFree {
    void operator()(EVP_MAC_CTX* context) const { EVP_MAC_CTX_free(context); }
};

using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;

bool FitsInt(std::size_t size) { return size <= static_cast<std::size_t>(INT_MAX); }

class OpenSslCrypto : public AgeCrypto {
public:
    bool RandomBytes(uint8_t* out, std::size_t size) override {
        return FitsInt(size) && RAND_priv_bytes(out, static_cast<int>(size)) == 1;
    }

    bool X25519Public(const uint8_t* secret, uint8_t* publicKey) override {
        Pkey key(EVP_PKEY_new_raw_private_key(EVP_PKEY_X25519, nullptr, secret, kKeySize));
        std::size_t size = kKeySize;
        return key && EVP_PKEY_get_raw_public_key(key.get(), publicKey, &size) == 1 &&
               size == kKeySize;
    }

    bool X25519Shared(const uint8_t* secret, const uint8_t* peerPublic, uint8_t* shared) override {
        Pkey key(EVP_PKEY_new_raw_private_key(EVP_PKEY_X25519, nullptr, secret, kKeySize));
        Pkey peer(EVP_PKEY_new_raw_public_key(EVP_PKEY_X25519, nullptr, peerPublic, kKeySize));
        if (!key || !peer) return false;
        std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> context(EVP_PKEY_CTX_new(key.get(), nullptr));
        std::size_t size = kKeySize;
        return context && EVP_PKEY_derive_init(context.get()) == 1 &&
               EVP_PKEY_derive_set_peer(context.get(), peer.get()) == 1 &&
               EVP_PKEY_derive(context.get(), shared, &size) == 1 && size == kKeySize;
    }

    bool HkdfSha256(const uint8_t* ikm, std::size_t ikmSize, const uint8_t* salt,
                    std::size_t saltSize, const std::string& info, uint8_t* out,
                    std::size_t outSize) override {
        std::unique_ptr<EVP_KDF, KdfFree> kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr));
        if (!kdf) return false;
        std::unique_ptr<EVP_KDF_CTX, KdfCtxFree> context(EVP_KDF_CTX_new(kdf.get()));
        if (!context) return false;
        char digest[] = "SHA256";
        OSSL_PARAM params[5];
        int n = 0;
        params[n++] = OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0);
        params[n++] = OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY,
                                                        const_cast<uint8_t*>(ikm), ikmSize);
        // No salt is the same as an empty one: HMAC pads its key with zeros either way.
        if (saltSize != 0) {
            params[n++] = OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT,
                                                            const_cast<uint8_t*>(salt), saltSize);
        }
        params[n++] = OSSL_PARAM_construct_octet_string(
            OSSL_KDF_PARAM_INFO, const_cast<char*>(info.data()), info.size());
        params[n] = OSSL_PARAM_construct_end();
        return EVP_KDF_derive(context.get(), out, outSize, params) == 1;
    }

    bool HmacSha256(const uint8_t* key, std::size_t keySize, const uint8_t* data,
                    std::size_t dataSize, uint8_t* mac) override {
        std::unique_ptr<EVP_MAC, MacFree> hmac(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
        if (!hmac) return false;
        std::unique_ptr<EVP_MAC_CTX, MacCtxFree> context(EVP_MAC_CTX_new(hmac.get()));
        char digest[] = "SHA256";
        const OSSL_PARAM params[] = {
            OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
            OSSL_PARAM_construct_end()};
        std::size_t length = 0;
        return context && EVP_MAC_init(context.get(), key, keySize, params) == 1 &&
               (dataSize == 0 || EVP_MAC_update(context.get(), data, dataSize) == 1) &&
               EVP_MAC_final(context.get(), mac, &length, 32) == 1 && length == 32;
    }

    bool Scrypt(const std::string& password, const uint8_t* salt, std::size_t saltSize,
                unsigned logN, unsigned r, unsigned p, uint8_t* out, std::size_t outSize) override {
        if (logN >= 63) return false;
        const uint64_t n = uint64_t{1} << logN;
        // The working memory scrypt needs, 128 * r * (N + p) bytes, with room to spare.
        const uint64_t maxMemory = 128 * uint64_t{r} * (n + p + 2) + (1 << 20);
        return EVP_PBE_scrypt(password.data(), password.size(), salt, saltSize, n, r, p, maxMemory,
                              out, outSize) == 1;
    }

    bool ChaChaPolySeal(const uint8_t* key, const uint8_t* nonce, const uint8_t* in,
                        std::size_t size, uint8_t* out) override {
        std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> context(EVP_CIPHER_CTX_new());
        int done = 0;
        int last = 0;
        return context && FitsInt(size) &&
               EVP_EncryptInit_ex(context.get(), EVP_chacha20_poly1305(), nullptr, key, nonce) ==
                   1 &&
               (size == 0 ||
                EVP_EncryptUpdate(context.get(), out, &done, in, static_cast<int>(size)) == 1) &&
               EVP_EncryptFinal_ex(context.get(), out + done, &last) == 1 &&
               static_cast<std::size_t>(done + last) == size &&
               EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_GET_TAG, kTagSize, out + size) == 1;
    }

    bool ChaChaPolyOpen(const uint8_t* key, const uint8_t* nonce, const uint8_t* in,
                        std::size_t size, uint8_t* out) override {
        std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> context(EVP_CIPHER_CTX_new());
        int done = 0;
        int last = 0;
        return context && FitsInt(size) &&
               EVP_DecryptInit_ex(context.get(), EVP_chacha20_poly1305(), nullptr, key, nonce) ==
                   1 &&
               (size == 0 ||
                EVP_DecryptUpdate(context.get(), out, &done, in, static_cast<int>(size)) == 1) &&
               EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_SET_TAG, kTagSize,
                                   const_cast<uint8_t*>(in + size)) == 1 &&
               EVP_DecryptFinal_ex(context.get(), out + done, &last) == 1 &&
               static_cast<std::size_t>(done + last) == size;
    }
};

}  // namespace

AgeCrypto& OpenSslAgeCrypto() {
    static OpenSslCrypto crypto;
    return crypto;
}

}  // namespace velmor::crypto::age

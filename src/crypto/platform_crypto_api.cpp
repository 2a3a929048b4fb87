#include "crypto/crypto_api.h"

namespace velmor::crypto {
namespace {

class PlatformApi final : public CryptoApi {
public:
    BOOL AcquireContext(HCRYPTPROV* provider, LPCWSTR container, LPCWSTR providerName,
                        DWORD providerType, DWORD flags) override {
        return CryptAcquireContextW(provider, container, providerName, providerType, flags);
    }
    BOOL CreateHash(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTKEY key, DWORD flags,
                    HCRYPTHASH* hash) override {
        return CryptCreateHash(provider, algorithm, key, flags, hash);
    }
    BOOL HashData(HCRYPTHASH hash, const BYTE* data, DWORD length, DWORD flags) override {
        return CryptHashData(hash, data, length, flags);
    }
    BOOL DeriveKey(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH hash, DWORD flags,
                   HCRYPTKEY* key) override {
        return CryptDeriveKey(provider, algorithm, hash, flags, key);
    }
    BOOL GenKey(HCRYPTPROV provider, ALG_ID algorithm, DWORD flags, HCRYPTKEY* key) override {
        return CryptGenKey(provider, algorithm, flags, key);
    }
    BOOL GetUserKey(HCRYPTPROV provider, DWORD keySpec, HCRYPTKEY* key) override {
        return CryptGetUserKey(provider, keySpec, key);
    }
    BOOL ExportKey(HCRYPTKEY key, HCRYPTKEY exchangeKey, DWORD blobType, DWORD flags, BYTE* blob,
                   DWORD* blobLength) override {
        return CryptExportKey(key, exchangeKey, blobType, flags, blob, blobLength);
    }
    BOOL ImportKey(HCRYPTPROV provider, const BYTE* blob, DWORD blobLength, HCRYPTKEY publicKey,
                   DWORD flags, HCRYPTKEY* key) override {
        return CryptImportKey(provider, blob, blobLength, publicKey, flags, key);
    }
    BOOL GetKeyParam(HCRYPTKEY key, DWORD param, BYTE* data, DWORD* dataLength,
                     DWORD flags) override {
        return CryptGetKeyParam(key, param, data, dataLength, flags);
    }
    BOOL SetKeyParam(HCRYPTKEY key, DWORD param, const BYTE* data, DWORD flags) override {
        return CryptSetKeyParam(key, param, data, flags);
    }
    BOOL Encrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags, BYTE* data,
                 DWORD* dataLength, DWORD bufferLength) override {
        return CryptEncrypt(key, hash, final, flags, data, dataLength, bufferLength);
    }
    BOOL Decrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags, BYTE* data,
                 DWORD* dataLength) override {
        return CryptDecrypt(key, hash, final, flags, data, dataLength);
    }
    BOOL DestroyKey(HCRYPTKEY key) override { return CryptDestroyKey(key); }
    BOOL DestroyHash(HCRYPTHASH hash) override { return CryptDestroyHash(hash); }
    BOOL ReleaseContext(HCRYPTPROV provider, DWORD flags) override {
        return CryptReleaseContext(provider, flags);
    }
};

}  // namespace

CryptoApi& PlatformCryptoApi() {
    static PlatformApi api;
    return api;
}

}  // namespace velmor::crypto

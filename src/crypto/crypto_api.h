// The CryptoAPI calls that a file job makes, behind one narrow interface.
//
// Production code uses PlatformCryptoApi(), which forwards every call to
// advapi32 unchanged. Tests wrap it to record the calls and their arguments
// while still running the real provider underneath.
#pragma once

#include <windows.h>
#include <wincrypt.h>

namespace velmor::crypto {

class CryptoApi {
public:
    virtual ~CryptoApi() = default;

    virtual BOOL AcquireContext(HCRYPTPROV* provider, LPCWSTR container, LPCWSTR providerName,
                                DWORD providerType, DWORD flags) = 0;
    virtual BOOL CreateHash(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTKEY key, DWORD flags,
                            HCRYPTHASH* hash) = 0;
    virtual BOOL HashData(HCRYPTHASH hash, const BYTE* data, DWORD length, DWORD flags) = 0;
    virtual BOOL DeriveKey(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH hash, DWORD flags,
                           HCRYPTKEY* key) = 0;
    virtual BOOL GenKey(HCRYPTPROV provider, ALG_ID algorithm, DWORD flags, HCRYPTKEY* key) = 0;
    virtual BOOL GetUserKey(HCRYPTPROV provider, DWORD keySpec, HCRYPTKEY* key) = 0;
    virtual BOOL ExportKey(HCRYPTKEY key, HCRYPTKEY exchangeKey, DWORD blobType, DWORD flags,
                           BYTE* blob, DWORD* blobLength) = 0;
    virtual BOOL ImportKey(HCRYPTPROV provider, const BYTE* blob, DWORD blobLength,
                           HCRYPTKEY publicKey, DWORD flags, HCRYPTKEY* key) = 0;
    virtual BOOL GetKeyParam(HCRYPTKEY key, DWORD param, BYTE* data, DWORD* dataLength,
                             DWORD flags) = 0;
    virtual BOOL SetKeyParam(HCRYPTKEY key, DWORD param, const BYTE* data, DWORD flags) = 0;
    virtual BOOL Encrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags, BYTE* data,
                         DWORD* dataLength, DWORD bufferLength) = 0;
    virtual BOOL Decrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags, BYTE* data,
                         DWORD* dataLength) = 0;
    virtual BOOL DestroyKey(HCRYPTKEY key) = 0;
    virtual BOOL DestroyHash(HCRYPTHASH hash) = 0;
    virtual BOOL ReleaseContext(HCRYPTPROV provider, DWORD flags) = 0;
};

// The real advapi32 functions.
CryptoApi& PlatformCryptoApi();

}  // namespace velmor::crypto

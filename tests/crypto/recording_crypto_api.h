// A CryptoApi for tests: forwards every call to the real provider, records
// each call with the arguments the job chose, counts the handles still open,
// and can make one chosen call fail with a chosen error.
#pragma once

#include <string>
#include <vector>

#include "crypto/crypto_api.h"

namespace velmor::crypto::test {

class RecordingCryptoApi final : public CryptoApi {
public:
    // Calls that ask for the default key container are sent to `container`
    // instead, so that tests never touch the user's own key pair.
    explicit RecordingCryptoApi(std::wstring container);

    // The `occurrence`-th call (1-based) named `call` fails with `error`
    // without reaching the provider.
    void FailCall(const std::string& call, DWORD error, int occurrence = 1);

    const std::vector<std::string>& calls() const { return calls_; }
    // Calls whose name starts with `prefix`.
    std::vector<std::string> CallsNamed(const std::string& prefix) const;
    // Keys, hashes and contexts obtained and not yet released.
    int openHandles() const { return openHandles_; }

    BOOL AcquireContext(HCRYPTPROV* provider, LPCWSTR container, LPCWSTR providerName,
                        DWORD providerType, DWORD flags) override;
    BOOL CreateHash(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTKEY key, DWORD flags,
                    HCRYPTHASH* hash) override;
    BOOL HashData(HCRYPTHASH hash, const BYTE* data, DWORD length, DWORD flags) override;
    BOOL DeriveKey(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH hash, DWORD flags,
                   HCRYPTKEY* key) override;
    BOOL GenKey(HCRYPTPROV provider, ALG_ID algorithm, DWORD flags, HCRYPTKEY* key) override;
    BOOL GetUserKey(HCRYPTPROV provider, DWORD keySpec, HCRYPTKEY* key) override;
    BOOL ExportKey(HCRYPTKEY key, HCRYPTKEY exchangeKey, DWORD blobType, DWORD flags, BYTE* blob,
                   DWORD* blobLength) override;
    BOOL ImportKey(HCRYPTPROV provider, const BYTE* blob, DWORD blobLength, HCRYPTKEY publicKey,
                   DWORD flags, HCRYPTKEY* key) override;
    BOOL GetKeyParam(HCRYPTKEY key, DWORD param, BYTE* data, DWORD* dataLength,
                     DWORD flags) override;
    BOOL SetKeyParam(HCRYPTKEY key, DWORD param, const BYTE* data, DWORD flags) override;
    BOOL Encrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags, BYTE* data,
                 DWORD* dataLength, DWORD bufferLength) override;
    BOOL Decrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags, BYTE* data,
                 DWORD* dataLength) override;
    BOOL DestroyKey(HCRYPTKEY key) override;
    BOOL DestroyHash(HCRYPTHASH hash) override;
    BOOL ReleaseContext(HCRYPTPROV provider, DWORD flags) override;

private:
    // Records the call; true when it is the one to fail (error already set).
    bool Record(const std::string& call, const std::string& arguments);
    BOOL Obtained(BOOL ok);

    std::wstring container_;
    std::vector<std::string> calls_;
    std::string failCall_;
    DWORD failError_ = 0;
    int failOccurrence_ = 0;
    int seen_ = 0;
    int openHandles_ = 0;
};

}  // namespace velmor::crypto::test

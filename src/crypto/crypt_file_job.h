// One encryption or decryption of a file into another file.
//
// Encrypted layout (little-endian):
//   with a password:    RC2 cipher text only;
//   without a password: 4-byte length N, N bytes of SIMPLEBLOB (the data key
//                       wrapped with the user's key-exchange key), cipher text.
// The cipher text is RC2-CBC with a 40-bit key, 40-bit effective key length,
// a zero IV and PKCS #5 padding, streamed in 1000-byte chunks.
//
// The output is written beside the target under a temporary name and takes
// the target's place only when the run succeeded; a failure leaves the target
// as it was. A job object runs once. Every handle, file and buffer it takes is
// owned by the run and released before Encrypt/Decrypt return, whatever failed.
#pragma once

#include <windows.h>

#include <string>

#include "crypto/crypto_api.h"

namespace velmor::crypto {

class CryptFileJob {
public:
    explicit CryptFileJob(CryptoApi& api = PlatformCryptoApi());

    // An empty password selects the no-password path. Both return true on
    // success; on failure ErrorText() says why.
    bool Encrypt(const std::wstring& sourcePath, const std::wstring& targetPath,
                 const std::wstring& password);
    bool Decrypt(const std::wstring& sourcePath, const std::wstring& targetPath,
                 const std::wstring& password);

    // Platform error code of the step that failed (0 if none, or if the
    // failure is one the platform has no code for).
    DWORD lastError() const { return lastError_; }
    // The failure's description: the component's own text for failures the
    // platform has no code for, otherwise the platform's message.
    std::wstring ErrorText() const;

private:
    struct Resources;

    bool OpenFiles(Resources& job, const std::wstring& sourcePath, const std::wstring& targetPath);
    bool AcquireProvider(Resources& job);
    bool DeriveKeyFromPassword(Resources& job, const std::wstring& password, DWORD flags);
    bool WrapNewDataKey(Resources& job);
    bool ClearDataKeySalt(Resources& job);
    bool UnwrapDataKey(Resources& job);
    bool PrepareCipher(Resources& job);
    bool EncryptChunks(Resources& job);
    bool DecryptChunks(Resources& job);
    bool CloseTarget(Resources& job);

    bool Fail();                       // the platform's last error
    bool Fail(DWORD code);             // a given platform error
    bool FailWith(UINT textId);        // a failure with no platform code
    bool FailIo(UINT fallbackTextId);  // last error, if there is one

    CryptoApi& api_;
    DWORD lastError_ = 0;
    std::wstring ownText_;
};

}  // namespace velmor::crypto

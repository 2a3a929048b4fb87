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

#include <cstdint>
#include <string>

#include "base/progress_sink.h"
#include "crypto/crypto_api.h"

namespace velmor::crypto {

class CryptFileJob {
public:
    // progress (may be null) hears how much of the input was read, and may stop the run.
    explicit CryptFileJob(CryptoApi& api = PlatformCryptoApi(), ProgressSink* progress = nullptr);

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
    // True when the run failed because the progress sink stopped it.
    bool cancelled() const { return cancelled_; }

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
    // Counts `read` input bytes and tells the sink every kProgressStep of them and at the end;
    // false (and cancelled()) when the sink stops the run.
    bool Advance(DWORD read, bool last);

    CryptoApi& api_;
    ProgressSink* progress_;
    std::wstring name_;
    int64_t total_ = -1;
    int64_t done_ = 0;
    int64_t told_ = -1;
    bool cancelled_ = false;
    DWORD lastError_ = 0;
    std::wstring ownText_;
};

}  // namespace velmor::crypto

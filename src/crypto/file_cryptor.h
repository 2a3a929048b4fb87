// The state and behaviour behind the OrvCrypto component: the password, the
// description of the last failure, and the checks made before a job runs.
#pragma once

#include <string>

#include "crypto/crypto_api.h"

namespace velmor::crypto {

class FileCryptor {
public:
    explicit FileCryptor(CryptoApi& api = PlatformCryptoApi());
    ~FileCryptor();
    FileCryptor(const FileCryptor&) = delete;
    FileCryptor& operator=(const FileCryptor&) = delete;

    // An empty password selects the no-password path. A password longer than
    // the component keeps is not cut: it is remembered as rejected, and every
    // EncryptFile/DecryptFile fails with its description until a password
    // that fits (or an empty one) is set.
    void SetPassword(const std::wstring& password);

    // Both return 0 on success or kResultCryptFailed; a failure replaces
    // lastErrorText(), a success leaves it as it was.
    long EncryptFile(const std::wstring& sourcePath, const std::wstring& targetPath);
    long DecryptFile(const std::wstring& sourcePath, const std::wstring& targetPath);

    // At most kMaxErrorTextChars units; empty until something failed.
    const std::wstring& lastErrorText() const { return lastErrorText_; }

private:
    enum class Direction { kEncrypt, kDecrypt };
    long Run(Direction direction, const std::wstring& sourcePath, const std::wstring& targetPath);
    long Failed(const std::wstring& text);

    CryptoApi& api_;
    std::wstring password_;
    bool passwordTooLong_ = false;
    std::wstring lastErrorText_;
};

}  // namespace velmor::crypto

#include "crypto/file_cryptor.h"

#include <new>

#include "base/win/string_resource.h"
#include "crypto/crypt_constants.h"
#include "crypto/crypt_file_job.h"
#include "module/resource.h"

namespace velmor::crypto {
namespace {

// Text arguments end at their first null, as a C string copy would end them.
std::wstring UpToNull(const std::wstring& text) { return std::wstring(text.c_str()); }

}  // namespace

FileCryptor::FileCryptor(CryptoApi& api) : api_(api) {}

FileCryptor::~FileCryptor() {
    SecureZeroMemory(password_.data(), password_.size() * sizeof(wchar_t));
}

void FileCryptor::SetPassword(const std::wstring& password) {
    std::wstring text = UpToNull(password);
    passwordTooLong_ = text.size() > kMaxPasswordChars;
    if (passwordTooLong_) text.clear();
    password_.swap(text);
    SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
}

long FileCryptor::EncryptFile(const std::wstring& sourcePath, const std::wstring& targetPath) {
    return Run(Direction::kEncrypt, sourcePath, targetPath);
}

long FileCryptor::DecryptFile(const std::wstring& sourcePath, const std::wstring& targetPath) {
    return Run(Direction::kDecrypt, sourcePath, targetPath);
}

long FileCryptor::Run(Direction direction, const std::wstring& sourcePath,
                      const std::wstring& targetPath) {
    const std::wstring source = UpToNull(sourcePath);
    const std::wstring target = UpToNull(targetPath);
    if (source.size() > kMaxPathChars || target.size() > kMaxPathChars) {
        return Failed(LoadResourceString(IDS_CRYPT_PATH_TOO_LONG));
    }
    if (passwordTooLong_) {
        return Failed(LoadResourceString(IDS_CRYPT_PASSWORD_TOO_LONG));
    }

    try {
        CryptFileJob job(api_);
        const bool done = direction == Direction::kEncrypt ? job.Encrypt(source, target, password_)
                                                           : job.Decrypt(source, target, password_);
        return done ? 0 : Failed(job.ErrorText());
    } catch (const std::bad_alloc&) {
        return Failed(LoadResourceString(IDS_CRYPT_OUT_OF_MEMORY));
    }
}

long FileCryptor::Failed(const std::wstring& text) {
    lastErrorText_ = text.substr(0, kMaxErrorTextChars);
    return kResultCryptFailed;
}

}  // namespace velmor::crypto

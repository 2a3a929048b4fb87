#include "crypto/file_cryptor.h"

#include <new>

#include "base/win/string_resource.h"
#include "crypto/age/age_file.h"
#include "crypto/age/armor.h"
#include "crypto/age_file_job.h"
#include "crypto/crypt_constants.h"
#include "crypto/crypt_error_text.h"
#include "crypto/crypt_file_job.h"
#include "crypto/win/user_identity.h"
#include "module/resource.h"

namespace velmor::crypto {
namespace {

// Text arguments end at their first null, as a C string copy would end them.
std::wstring UpToNull(const std::wstring& text) { return std::wstring(text.c_str()); }

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                            size, nullptr, nullptr);
    }
    return out;
}

// False when the bytes are not valid UTF-8.
bool FromUtf8(const uint8_t* data, std::size_t size, std::wstring* text) {
    text->clear();
    if (size == 0) return true;
    const auto* chars = reinterpret_cast<const char*>(data);
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, chars,
                                           static_cast<int>(size), nullptr, 0);
    if (length <= 0) return false;
    text->resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, chars, static_cast<int>(size), text->data(),
                        length);
    return true;
}

}  // namespace

FileCryptor::FileCryptor(CryptoApi& api, age::AgeCrypto& ageCrypto)
    : api_(api), ageCrypto_(ageCrypto) {}

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

long FileCryptor::SetRecipients(const std::wstring& text) {
    std::vector<age::Recipient> recipients;
    if (age::ParseRecipientFile(ToUtf8(UpToNull(text)), &recipients) != age::AgeStatus::kOk) {
        return kResultBadKeyFormat;
    }
    recipients_.swap(recipients);
    return kResultOk;
}

long FileCryptor::SetIdentities(const std::wstring& text) {
    age::SecretString lines(ToUtf8(UpToNull(text)));
    std::vector<age::Identity> identities;
    if (!lines.str().empty() &&
        age::ParseIdentityFile(lines.str(), &identities) != age::AgeStatus::kOk) {
        return kResultBadKeyFormat;
    }
    identities_.swap(identities);
    return kResultOk;
}

std::wstring FileCryptor::UserRecipient() {
    age::Identity identity;
    age::Recipient recipient;
    if (!LoadUserIdentity(ageCrypto_, UserIdentityUse::kCreateIfNone, &identity)) {
        Failed(CryptErrorText(GetLastError()));
        return std::wstring();
    }
    if (age::RecipientOf(ageCrypto_, identity, &recipient) != age::AgeStatus::kOk) {
        Failed(LoadResourceString(IDS_CRYPT_SYSTEM_ERROR));
        return std::wstring();
    }
    const std::string text = age::FormatRecipient(recipient);
    return std::wstring(text.begin(), text.end());
}

long FileCryptor::AgeEncryptKeys(age::EncryptOptions* options) {
    options->armor = armor_;
    if (!recipients_.empty()) {
        options->recipients = recipients_;
        return kResultOk;
    }
    if (!password_.empty()) {
        options->usePassword = true;
        options->password = age::SecretString(ToUtf8(password_));
        return kResultOk;
    }
    age::Identity identity;
    options->recipients.resize(1);
    if (!LoadUserIdentity(ageCrypto_, UserIdentityUse::kCreateIfNone, &identity)) {
        return Failed(CryptErrorText(GetLastError()));
    }
    if (age::RecipientOf(ageCrypto_, identity, &options->recipients[0]) != age::AgeStatus::kOk) {
        return Failed(LoadResourceString(IDS_CRYPT_SYSTEM_ERROR));
    }
    return kResultOk;
}

age::Unlockers FileCryptor::AgeDecryptKeys() {
    age::Unlockers unlockers;
    unlockers.identities = identities_;
    if (!password_.empty()) {
        unlockers.hasPassword = true;
        unlockers.password = age::SecretString(ToUtf8(password_));
    }
    // The user's own identity is tried too, if the profile holds one.
    age::Identity user;
    if (LoadUserIdentity(ageCrypto_, UserIdentityUse::kExisting, &user)) {
        unlockers.identities.push_back(user);
    }
    return unlockers;
}

long FileCryptor::EncryptFile(const std::wstring& sourcePath, const std::wstring& targetPath,
                              ProgressSink* progress) {
    return Run(Direction::kEncrypt, sourcePath, targetPath, progress);
}

long FileCryptor::DecryptFile(const std::wstring& sourcePath, const std::wstring& targetPath,
                              ProgressSink* progress) {
    return Run(Direction::kDecrypt, sourcePath, targetPath, progress);
}

long FileCryptor::Run(Direction direction, const std::wstring& sourcePath,
                      const std::wstring& targetPath, ProgressSink* progress) {
    const std::wstring source = UpToNull(sourcePath);
    const std::wstring target = UpToNull(targetPath);
    if (source.size() > kMaxPathChars || target.size() > kMaxPathChars) {
        return Failed(LoadResourceString(IDS_CRYPT_PATH_TOO_LONG));
    }
    if (passwordTooLong_) {
        return Failed(LoadResourceString(IDS_CRYPT_PASSWORD_TOO_LONG));
    }

    try {
        const bool age = direction == Direction::kEncrypt ? format_ == CryptFormat::kAge
                                                          : LooksLikeAgeFile(source);
        if (age) {
            AgeFileJob job(ageCrypto_, progress, AgeJobThreads());
            long result;
            if (direction == Direction::kEncrypt) {
                age::EncryptOptions options;
                result = AgeEncryptKeys(&options);
                if (result != kResultOk) return result;
                result = job.Encrypt(source, target, options);
            } else {
                result = job.Decrypt(source, target, AgeDecryptKeys());
            }
            return result == kResultCryptFailed ? Failed(job.ErrorText()) : result;
        }
        CryptFileJob job(api_, progress);
        const bool done = direction == Direction::kEncrypt ? job.Encrypt(source, target, password_)
                                                           : job.Decrypt(source, target, password_);
        if (done) return kResultOk;
        return job.cancelled() ? kResultCancelled : Failed(job.ErrorText());
    } catch (const std::bad_alloc&) {
        return Failed(LoadResourceString(IDS_CRYPT_OUT_OF_MEMORY));
    }
}

std::wstring FileCryptor::EncryptString(const std::wstring& text, long* result) {
    if (passwordTooLong_) {
        *result = Failed(LoadResourceString(IDS_CRYPT_PASSWORD_TOO_LONG));
        return std::wstring();
    }
    try {
        age::EncryptOptions options;
        *result = AgeEncryptKeys(&options);
        if (*result != kResultOk) return std::wstring();
        options.armor = true;
        std::string plain = ToUtf8(text);
        std::vector<uint8_t> armored;
        const age::AgeStatus status =
            age::EncryptAge(ageCrypto_, options, reinterpret_cast<const uint8_t*>(plain.data()),
                            plain.size(), &armored);
        age::SecureZero(plain);
        *result = AgeResult(status);
        if (*result == kResultCryptFailed) Failed(LoadResourceString(IDS_CRYPT_SYSTEM_ERROR));
        return *result == kResultOk ? std::wstring(armored.begin(), armored.end()) : std::wstring();
    } catch (const std::bad_alloc&) {
        *result = Failed(LoadResourceString(IDS_CRYPT_OUT_OF_MEMORY));
        return std::wstring();
    }
}

std::wstring FileCryptor::DecryptString(const std::wstring& armored, long* result) {
    try {
        // Armor is ASCII: anything wider cannot be part of it.
        std::vector<uint8_t> bytes;
        bytes.reserve(armored.size());
        for (wchar_t c : armored) bytes.push_back(c < 0x80 ? static_cast<uint8_t>(c) : 0xFF);
        std::vector<uint8_t> plain;
        age::AgeStatus status = age::AgeStatus::kDamaged;
        if (age::LooksArmored(bytes.data(), bytes.size())) {
            status =
                age::DecryptAge(ageCrypto_, AgeDecryptKeys(), bytes.data(), bytes.size(), &plain);
        }
        std::wstring text;
        if (status == age::AgeStatus::kOk && !FromUtf8(plain.data(), plain.size(), &text)) {
            status = age::AgeStatus::kDamaged;
        }
        age::SecureZero(plain);
        *result = AgeResult(status);
        if (*result == kResultCryptFailed) Failed(LoadResourceString(IDS_CRYPT_SYSTEM_ERROR));
        return *result == kResultOk ? text : std::wstring();
    } catch (const std::bad_alloc&) {
        *result = Failed(LoadResourceString(IDS_CRYPT_OUT_OF_MEMORY));
        return std::wstring();
    }
}

long FileCryptor::Failed(const std::wstring& text) {
    lastErrorText_ = text.substr(0, kMaxErrorTextChars);
    return kResultCryptFailed;
}

}  // namespace velmor::crypto

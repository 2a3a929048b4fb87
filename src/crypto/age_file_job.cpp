#include "crypto/age_file_job.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "base/result_code.h"
#include "base/win/handle_traits.h"
#include "base/win/string_resource.h"
#include "crypto/age/armor.h"
#include "crypto/age/header.h"
#include "crypto/crypt_error_text.h"
#include "crypto/same_file.h"
#include "crypto/win/replacement_file.h"
#include "module/resource.h"

namespace velmor::crypto {

namespace {

// 64 chunks a block: enough to keep every core busy, little enough to stay out of the way.
constexpr std::size_t kBlockSize = 64 * age::kChunkSize;
constexpr unsigned kMaxThreads = 8;
// The most an armored file may put before its first line, to be recognised.
constexpr std::size_t kRecogniseSize = 4096;

int64_t FileSize(HANDLE file) {
    LARGE_INTEGER size;
    return GetFileSizeEx(file, &size) ? size.QuadPart : -1;
}

}  // namespace

unsigned AgeJobThreads() {
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : std::min(processors, kMaxThreads);
}

bool LooksLikeAgeFile(const std::wstring& path) {
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    uint8_t head[kRecogniseSize];
    DWORD size = 0;
    if (!ReadFile(file.get(), head, sizeof(head), &size, nullptr)) return false;
    const std::size_t version = sizeof(age::kVersionLine) - 1;
    return (size > version && std::memcmp(head, age::kVersionLine, version) == 0 &&
            head[version] == '\n') ||
           age::LooksArmored(head, size);
}

long AgeResult(age::AgeStatus status) {
    switch (status) {
        case age::AgeStatus::kOk:
            return kResultOk;
        case age::AgeStatus::kNoMatchingKey:
            return kResultNoMatchingKey;
        case age::AgeStatus::kBadKeyFormat:
            return kResultBadKeyFormat;
        case age::AgeStatus::kCryptoFailed:
            return kResultCryptFailed;
        default:
            return kResultDamaged;
    }
}

// Members go in reverse order: the target is closed before the replacement file, unless
// committed, is removed.
struct AgeFileJob::Files {
    ScopedFileHandle source;
    ReplacementFile replacement;
    ScopedFileHandle target;
    std::wstring name;
    int64_t total = -1;
    int64_t done = 0;
};

std::wstring AgeFileJob::ErrorText() const {
    if (textId_ != 0) return LoadResourceString(textId_);
    return CryptErrorText(lastError_);
}

long AgeFileJob::Fail(DWORD code) {
    lastError_ = code;
    textId_ = 0;
    return kResultCryptFailed;
}

long AgeFileJob::FailWith(UINT textId) {
    lastError_ = 0;
    textId_ = textId;
    return kResultCryptFailed;
}

bool AgeFileJob::Cancelled(const std::wstring& name, int64_t done, int64_t total) {
    return progress_ != nullptr && !progress_->Progress(name, done, total);
}

long AgeFileJob::Open(Files& files, const std::wstring& sourcePath,
                      const std::wstring& targetPath) {
    files.source.reset(CreateFileW(sourcePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!files.source) return Fail(GetLastError());
    if (NamesSameFile(files.source.get(), sourcePath, targetPath)) {
        return FailWith(IDS_CRYPT_SAME_FILE);
    }
    if (!files.replacement.Create(targetPath)) return Fail(GetLastError());
    files.target.reset(CreateFileW(files.replacement.path().c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!files.target) return Fail(GetLastError());
    files.name = sourcePath;
    files.total = FileSize(files.source.get());
    return Cancelled(files.name, 0, files.total) ? kResultCancelled : kResultOk;
}

long AgeFileJob::Read(Files& files, std::vector<uint8_t>& block, std::size_t* size) {
    block.resize(kBlockSize);
    *size = 0;
    while (*size < block.size()) {
        DWORD got = 0;
        if (!ReadFile(files.source.get(), block.data() + *size,
                      static_cast<DWORD>(block.size() - *size), &got, nullptr)) {
            return Fail(GetLastError());
        }
        if (got == 0) break;
        *size += got;
    }
    files.done += static_cast<int64_t>(*size);
    return kResultOk;
}

long AgeFileJob::Write(Files& files, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD done = 0;
        if (!WriteFile(files.target.get(), bytes, part, &done, nullptr)) {
            return Fail(GetLastError());
        }
        bytes += done;
        size -= done;
    }
    return kResultOk;
}

long AgeFileJob::Commit(Files& files) {
    if (Cancelled(files.name, files.done, files.total)) return kResultCancelled;
    files.target.reset();
    return files.replacement.Commit() ? kResultOk : Fail(GetLastError());
}

long AgeFileJob::Encrypt(const std::wstring& sourcePath, const std::wstring& targetPath,
                         const age::EncryptOptions& options) {
    Files files;
    long result = Open(files, sourcePath, targetPath);
    if (result != kResultOk) return result;

    age::AgeFileEncryptor encryptor(crypto_, threads_);
    age::ArmorEncoder armor;
    std::vector<uint8_t> sealed;
    std::string armored;
    // Hands what the encryptor made to the file, armored if asked.
    auto emit = [&]() -> long {
        long written;
        if (options.armor) {
            armor.Update(sealed.data(), sealed.size(), &armored);
            written = Write(files, armored.data(), armored.size());
            armored.clear();
        } else {
            written = Write(files, sealed.data(), sealed.size());
        }
        sealed.clear();
        return written;
    };
    age::AgeStatus status =
        options.usePassword
            ? encryptor.BeginForPassword(options.password, options.workFactor, &sealed)
            : encryptor.BeginForRecipients(options.recipients, &sealed);
    if (status != age::AgeStatus::kOk) return AgeResult(status);
    if ((result = emit()) != kResultOk) return result;

    std::vector<uint8_t> block;
    for (;;) {
        std::size_t size = 0;
        if ((result = Read(files, block, &size)) != kResultOk) break;
        if (size == 0) break;
        status = encryptor.Update(block.data(), size, &sealed);
        if (status != age::AgeStatus::kOk) {
            result = AgeResult(status);
            break;
        }
        if ((result = emit()) != kResultOk) break;
        if (Cancelled(files.name, files.done, files.total)) {
            result = kResultCancelled;
            break;
        }
    }
    age::SecureZero(block);
    if (result != kResultOk) return result;
    status = encryptor.Finish(&sealed);
    if (status != age::AgeStatus::kOk) return AgeResult(status);
    if ((result = emit()) != kResultOk) return result;
    if (options.armor) {
        armor.Finish(&armored);
        if ((result = Write(files, armored.data(), armored.size())) != kResultOk) return result;
    }
    return Commit(files);
}

long AgeFileJob::Decrypt(const std::wstring& sourcePath, const std::wstring& targetPath,
                         const age::Unlockers& unlockers) {
    Files files;
    long result = Open(files, sourcePath, targetPath);
    if (result != kResultOk) return result;

    age::AgeFileDecryptor decryptor(crypto_, unlockers, threads_);
    age::ArmorDecoder armor;
    bool armored = false;
    std::vector<uint8_t> block;
    std::vector<uint8_t> binary;
    std::vector<uint8_t> plain;
    // The decoded bytes of the armor, or the block itself, into the decryptor; its verified
    // plain text into the file.
    auto take = [&](const uint8_t* data, std::size_t size, bool end) -> long {
        age::AgeStatus status = age::AgeStatus::kOk;
        if (armored) {
            binary.clear();
            status = armor.Update(data, size, &binary);
            if (status == age::AgeStatus::kOk && end) status = armor.Finish(&binary);
            data = binary.data();
            size = binary.size();
        }
        if (status == age::AgeStatus::kOk) status = decryptor.Update(data, size, &plain);
        if (status == age::AgeStatus::kOk && end) status = decryptor.Finish(&plain);
        if (status != age::AgeStatus::kOk) return AgeResult(status);
        const long written = Write(files, plain.data(), plain.size());
        age::SecureZero(plain);
        return written;
    };
    for (bool first = true;; first = false) {
        std::size_t size = 0;
        if ((result = Read(files, block, &size)) != kResultOk) return result;
        if (first) armored = age::LooksArmored(block.data(), size);
        if ((result = take(block.data(), size, size == 0)) != kResultOk) return result;
        if (size == 0) break;
        if (Cancelled(files.name, files.done, files.total)) return kResultCancelled;
    }
    return decryptor.Complete() ? Commit(files) : kResultDamaged;
}

}  // namespace velmor::crypto

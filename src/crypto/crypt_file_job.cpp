#include "crypto/crypt_file_job.h"

#include <io.h>

#include <cstdio>
#include <new>
#include <vector>

#include "base/win/string_resource.h"
#include "crypto/buffered_stream.h"
#include "crypto/crypt_constants.h"
#include "crypto/crypt_error_text.h"
#include "crypto/crypt_handles.h"
#include "crypto/same_file.h"
#include "crypto/wait_cursor.h"
#include "crypto/win/replacement_file.h"
#include "module/resource.h"

namespace velmor::crypto {

// Everything one run holds. Members are destroyed in reverse order, which is
// the job's clean-up order: files (the output, unless committed, removed once
// closed), blob and buffer, data key, exchange key, hash, provider, and last
// the cursor goes back to the arrow.
struct CryptFileJob::Resources {
    explicit Resources(CryptoApi& api) : provider(api), hash(api), exchangeKey(api), dataKey(api) {}
    // The work buffer last held plain text: wipe it before it is freed.
    ~Resources() { SecureZeroMemory(buffer.data(), buffer.size()); }

    WaitCursor cursor;
    CryptProvider provider;
    CryptHash hash;
    CryptKey exchangeKey;
    CryptKey dataKey;
    std::vector<BYTE> buffer;
    std::vector<BYTE> keyBlob;
    ReplacementFile replacement;
    ScopedStdioStream target;
    ScopedStdioStream source;
    DWORD keyBits = kKeyBits;
};

namespace {

// True when nothing is left to read; a byte read ahead is put back.
bool AtEnd(FILE* stream) {
    if (std::feof(stream)) return true;
    const int next = std::fgetc(stream);
    if (next == EOF) return true;
    std::ungetc(next, stream);
    return false;
}

bool Allocate(std::vector<BYTE>& bytes, DWORD length) {
    try {
        bytes.assign(length, 0);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

CryptFileJob::CryptFileJob(CryptoApi& api, ProgressSink* progress)
    : api_(api), progress_(progress) {}

bool CryptFileJob::Advance(DWORD read, bool last) {
    done_ += read;
    if (!progress_ || (!last && told_ >= 0 && done_ - told_ < kProgressStep)) return true;
    told_ = last && total_ >= 0 ? total_ : done_;
    if (progress_->Progress(name_, told_, total_)) return true;
    cancelled_ = true;
    lastError_ = 0;
    return false;
}

std::wstring CryptFileJob::ErrorText() const {
    if (!ownText_.empty()) return ownText_;
    return CryptErrorText(lastError_);
}

bool CryptFileJob::Fail() { return Fail(GetLastError()); }

bool CryptFileJob::Fail(DWORD code) {
    lastError_ = code;
    return false;
}

bool CryptFileJob::FailWith(UINT textId) {
    lastError_ = 0;
    ownText_ = LoadResourceString(textId);
    return false;
}

// The C runtime leaves the system's error of a failed read or write; callers
// clear it before the I/O, so a stale code is never taken for the cause.
bool CryptFileJob::FailIo(UINT fallbackTextId) {
    const DWORD code = GetLastError();
    return code != 0 ? Fail(code) : FailWith(fallbackTextId);
}

bool CryptFileJob::Encrypt(const std::wstring& sourcePath, const std::wstring& targetPath,
                           const std::wstring& password) {
    Resources job(api_);
    if (!OpenFiles(job, sourcePath, targetPath)) return false;
    if (!AcquireProvider(job)) return false;
    if (!password.empty()) {
        if (!DeriveKeyFromPassword(job, password, kDeriveFlagsEncrypt)) return false;
    } else if (!WrapNewDataKey(job)) {
        return false;
    }
    if (!PrepareCipher(job)) return false;
    if (!EncryptChunks(job)) return false;
    return CloseTarget(job);
}

bool CryptFileJob::Decrypt(const std::wstring& sourcePath, const std::wstring& targetPath,
                           const std::wstring& password) {
    Resources job(api_);
    if (!OpenFiles(job, sourcePath, targetPath)) return false;
    if (!AcquireProvider(job)) return false;
    if (!password.empty()) {
        if (!DeriveKeyFromPassword(job, password, kDeriveFlagsDecrypt)) return false;
    } else if (!UnwrapDataKey(job)) {
        return false;
    }
    if (!PrepareCipher(job)) return false;
    if (!DecryptChunks(job)) return false;
    return CloseTarget(job);
}

bool CryptFileJob::OpenFiles(Resources& job, const std::wstring& sourcePath,
                             const std::wstring& targetPath) {
    job.source = OpenBufferedStream(sourcePath, L"rb");
    if (!job.source) return Fail();
    // The output takes the target's place only when complete; refuse the input as the target
    // all the same, as before.
    const HANDLE sourceHandle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(job.source.get())));
    if (NamesSameFile(sourceHandle, sourcePath, targetPath)) return FailWith(IDS_CRYPT_SAME_FILE);
    if (!job.replacement.Create(targetPath)) return Fail();
    job.target = OpenBufferedStream(job.replacement.path(), L"wb");
    if (!job.target) return Fail();
    LARGE_INTEGER size;
    if (GetFileSizeEx(sourceHandle, &size)) total_ = size.QuadPart;
    name_ = sourcePath;
    return Advance(0, false);
}

bool CryptFileJob::AcquireProvider(Resources& job) {
    if (api_.AcquireContext(job.provider.receive(), nullptr, kProviderName, kProviderType, 0)) {
        return true;
    }
    const DWORD error = GetLastError();
    if (error != static_cast<DWORD>(NTE_BAD_KEYSET)) return Fail(error);
    if (!api_.AcquireContext(job.provider.receive(), nullptr, kProviderName, kProviderType,
                             CRYPT_NEWKEYSET)) {
        return Fail();
    }
    return true;
}

bool CryptFileJob::DeriveKeyFromPassword(Resources& job, const std::wstring& password,
                                         DWORD flags) {
    // The key is derived from MD5 over the UTF-16LE code units, no null.
    if (!api_.CreateHash(job.provider.get(), CALG_MD5, 0, 0, job.hash.receive())) {
        return Fail();
    }
    const auto* bytes = reinterpret_cast<const BYTE*>(password.data());
    const auto length = static_cast<DWORD>(password.size() * sizeof(wchar_t));
    if (!api_.HashData(job.hash.get(), bytes, length, 0)) return Fail();
    if (!api_.DeriveKey(job.provider.get(), CALG_RC2, job.hash.get(), flags,
                        job.dataKey.receive())) {
        return Fail();
    }
    return true;
}

bool CryptFileJob::WrapNewDataKey(Resources& job) {
    if (!api_.GenKey(job.provider.get(), CALG_RC2, kDataKeyFlags, job.dataKey.receive())) {
        return Fail();
    }
    if (!ClearDataKeySalt(job)) return false;
    if (!api_.GetUserKey(job.provider.get(), AT_KEYEXCHANGE, job.exchangeKey.receive())) {
        const DWORD error = GetLastError();
        if (error != static_cast<DWORD>(NTE_NO_KEY)) return Fail(error);
        if (!api_.GenKey(job.provider.get(), AT_KEYEXCHANGE, kExchangeKeyFlags,
                         job.exchangeKey.receive())) {
            return Fail();
        }
    }

    DWORD blobLength = 0;
    if (!api_.ExportKey(job.dataKey.get(), job.exchangeKey.get(), SIMPLEBLOB, 0, nullptr,
                        &blobLength)) {
        return Fail();
    }
    if (!Allocate(job.keyBlob, blobLength)) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (!api_.ExportKey(job.dataKey.get(), job.exchangeKey.get(), SIMPLEBLOB, 0, job.keyBlob.data(),
                        &blobLength)) {
        return Fail();
    }

    const BYTE lengthBytes[4] = {static_cast<BYTE>(blobLength), static_cast<BYTE>(blobLength >> 8),
                                 static_cast<BYTE>(blobLength >> 16),
                                 static_cast<BYTE>(blobLength >> 24)};
    FILE* target = job.target.get();
    SetLastError(0);
    if (std::fwrite(lengthBytes, 1, sizeof lengthBytes, target) != sizeof lengthBytes ||
        std::fwrite(job.keyBlob.data(), 1, blobLength, target) != blobLength) {
        return FailIo(IDS_CRYPT_WRITE_ERROR);
    }
    return true;
}

bool CryptFileJob::ClearDataKeySalt(Resources& job) {
    // A 40-bit key carries a salt, which a SIMPLEBLOB does not: the reader
    // imports the key with a zero salt. The provider documents zero as the
    // salt of a key generated without CRYPT_CREATE_SALT, but some providers
    // make it random, and their files could never be decrypted. Make sure.
    BYTE salt[32] = {};
    DWORD saltLength = sizeof salt;
    if (!api_.GetKeyParam(job.dataKey.get(), KP_SALT, salt, &saltLength, 0)) {
        return true;  // a key without a salt
    }
    bool zero = true;
    for (DWORD i = 0; i < saltLength; ++i) zero = zero && salt[i] == 0;
    if (zero) return true;
    const BYTE zeros[sizeof salt] = {};
    if (!api_.SetKeyParam(job.dataKey.get(), KP_SALT, zeros, 0)) return Fail();
    return true;
}

bool CryptFileJob::UnwrapDataKey(Resources& job) {
    FILE* source = job.source.get();
    BYTE lengthBytes[4] = {};
    SetLastError(0);
    if (std::fread(lengthBytes, 1, sizeof lengthBytes, source) != sizeof lengthBytes) {
        return std::ferror(source) ? FailIo(IDS_CRYPT_READ_ERROR)
                                   : FailWith(IDS_CRYPT_NO_KEY_LENGTH);
    }
    const DWORD blobLength = lengthBytes[0] | (lengthBytes[1] << 8) | (lengthBytes[2] << 16) |
                             (static_cast<DWORD>(lengthBytes[3]) << 24);
    // Checked before allocating: a damaged length must not size a buffer.
    if (blobLength == 0 || blobLength > kMaxKeyBlobLength) {
        return FailWith(IDS_CRYPT_BAD_KEY_LENGTH);
    }
    if (!Allocate(job.keyBlob, blobLength)) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (std::fread(job.keyBlob.data(), 1, blobLength, source) != blobLength) {
        return std::ferror(source) ? FailIo(IDS_CRYPT_READ_ERROR)
                                   : FailWith(IDS_CRYPT_KEY_BLOB_CUT);
    }
    // The provider unwraps a SIMPLEBLOB with the user's key-exchange key. Some
    // providers want that key named rather than implied by a null handle; for
    // those, fetch it and import once more.
    if (api_.ImportKey(job.provider.get(), job.keyBlob.data(), blobLength, 0, 0,
                       job.dataKey.receive())) {
        return true;
    }
    const DWORD error = GetLastError();
    if (error != static_cast<DWORD>(NTE_BAD_PUBLIC_KEY)) return Fail(error);
    if (!api_.GetUserKey(job.provider.get(), AT_KEYEXCHANGE, job.exchangeKey.receive())) {
        return Fail();
    }
    if (!api_.ImportKey(job.provider.get(), job.keyBlob.data(), blobLength, job.exchangeKey.get(),
                        0, job.dataKey.receive())) {
        return Fail();
    }
    return true;
}

bool CryptFileJob::PrepareCipher(Resources& job) {
    if (!Allocate(job.buffer, kBufferLength)) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    job.keyBits = kKeyBits;
    if (!api_.SetKeyParam(job.dataKey.get(), KP_EFFECTIVE_KEYLEN,
                          reinterpret_cast<const BYTE*>(&job.keyBits), 0)) {
        return Fail();
    }
    return true;
}

bool CryptFileJob::EncryptChunks(Resources& job) {
    FILE* source = job.source.get();
    FILE* target = job.target.get();
    BYTE* buffer = job.buffer.data();
    for (;;) {
        SetLastError(0);  // so that FailIo sees only this chunk's error
        DWORD chunkLength = static_cast<DWORD>(std::fread(buffer, 1, kChunkLength, source));
        if (std::ferror(source)) return FailIo(IDS_CRYPT_READ_ERROR);
        const DWORD read = chunkLength;
        // The last chunk may be empty; encrypting it still adds the padding.
        const BOOL finalChunk = std::feof(source) ? TRUE : FALSE;
        if (!api_.Encrypt(job.dataKey.get(), 0, finalChunk, 0, buffer, &chunkLength,
                          kBufferLength)) {
            return Fail();
        }
        if (std::fwrite(buffer, 1, chunkLength, target) != chunkLength) {
            return FailIo(IDS_CRYPT_WRITE_ERROR);
        }
        if (!Advance(read, finalChunk)) return false;
        if (finalChunk) return true;
    }
}

bool CryptFileJob::DecryptChunks(Resources& job) {
    FILE* source = job.source.get();
    FILE* target = job.target.get();
    BYTE* buffer = job.buffer.data();
    for (;;) {
        SetLastError(0);  // so that FailIo sees only this chunk's error
        DWORD chunkLength = static_cast<DWORD>(std::fread(buffer, 1, kChunkLength, source));
        if (std::ferror(source)) return FailIo(IDS_CRYPT_READ_ERROR);
        // The padding sits in the last cipher block, so the final call must
        // get the last non-empty chunk: look ahead rather than wait for a
        // read that returns nothing (cipher text of a multiple of 1000).
        const DWORD read = chunkLength;
        const bool finalChunk = AtEnd(source);
        if (std::ferror(source)) return FailIo(IDS_CRYPT_READ_ERROR);
        if (finalChunk) {
            if (chunkLength == 0) return FailWith(IDS_CRYPT_NO_CIPHER_TEXT);
            if (chunkLength % 8 != 0) {
                return FailWith(IDS_CRYPT_CIPHER_TEXT_LENGTH);
            }
        }
        if (!api_.Decrypt(job.dataKey.get(), 0, finalChunk ? TRUE : FALSE, 0, buffer,
                          &chunkLength)) {
            return Fail();
        }
        if (std::fwrite(buffer, 1, chunkLength, target) != chunkLength) {
            return FailIo(IDS_CRYPT_WRITE_ERROR);
        }
        if (!Advance(read, finalChunk)) return false;
        if (finalChunk) return true;
    }
}

bool CryptFileJob::CloseTarget(Resources& job) {
    // Buffered output can still fail when it is flushed.
    SetLastError(0);
    if (std::fflush(job.target.get()) != 0) {
        return FailIo(IDS_CRYPT_WRITE_ERROR);
    }
    job.target.reset();
    if (!job.replacement.Commit()) return Fail();
    return true;
}

}  // namespace velmor::crypto

#include "zip/read/extract_aes_source.h"

#include <algorithm>
#include <new>

namespace velmor::zip {

AesEntrySource::AesEntrySource(ByteSource& source, uint64_t start, uint64_t dataSize,
                               const AesEntryInfo& info, const std::string& password,
                               AesCrypto& crypto)
    : source_(source),
      crypto_(crypto),
      info_(info),
      password_(password),
      start_(start),
      contentSize_(dataSize - info.overhead()) {}

ReaderCode AesEntrySource::Create(ByteSource& source, uint64_t start, uint64_t dataSize,
                                  const AesEntryInfo& info, const std::string& password,
                                  AesCrypto& crypto, std::unique_ptr<AesEntrySource>* created) {
    created->reset();
    if (dataSize < info.overhead()) return ReaderCode::BadArchive;
    created->reset(new (std::nothrow)
                       AesEntrySource(source, start, dataSize, info, password, crypto));
    return *created ? ReaderCode::ReaderOk : ReaderCode::NoMemory;
}

ReaderCode AesEntrySource::Start() {
    uint8_t front[kAesMaxSaltSize + kAesVerifierSize];
    const uint32_t frontSize = info_.saltSize + kAesVerifierSize;
    if (!source_.IsSeekable() || !source_.ReadAt(start_, front, frontSize)) {
        return ReaderCode::IoError;
    }
    // An empty password is never a WinZip password: nothing to derive.
    if (password_.empty()) return ReaderCode::CheckByteMismatch;
    WipedKeyBytes derived;
    if (!crypto_.DerivePbkdf2Sha1(password_, front, info_.saltSize, kAesPbkdf2Iterations,
                                  derived.data(), info_.derivedSize())) {
        return ReaderCode::IoError;
    }
    const AesDerivedKeys keys = SplitDerivedKeys(info_, derived.data());
    if (!std::equal(keys.verifier, keys.verifier + kAesVerifierSize, front + info_.saltSize)) {
        return ReaderCode::CheckByteMismatch;
    }
    std::unique_ptr<AesBlockCipher> cipher = crypto_.CreateBlockCipher(keys.aesKey, info_.keySize);
    mac_ = crypto_.CreateHmacSha1(keys.hmacKey, info_.keySize);
    if (!cipher || !mac_) return ReaderCode::IoError;
    keystream_.reset(new (std::nothrow) AesCtrKeystream(*cipher));
    if (!keystream_) return ReaderCode::NoMemory;
    cipher_ = std::move(cipher);
    return ReaderCode::ReaderOk;
}

ReaderCode AesEntrySource::ReadContent(uint8_t* out, uint32_t size) {
    if (size > contentSize_ - contentRead_) return ReaderCode::IoError;
    const uint64_t at = start_ + info_.saltSize + kAesVerifierSize + contentRead_;
    if (!source_.ReadAt(at, out, size) || !mac_->Update(out, size)) return ReaderCode::IoError;
    contentRead_ += size;
    return ReaderCode::ReaderOk;
}

ReaderCode AesEntrySource::Read(uint8_t* out, uint32_t size) {
    if (!started()) return ReaderCode::NoCurrentEntry;
    const ReaderCode read = ReadContent(out, size);
    if (read != ReaderCode::ReaderOk) return read;
    return keystream_->Apply(out, size) ? ReaderCode::ReaderOk : ReaderCode::IoError;
}

ReaderCode AesEntrySource::Finish(uint8_t* scratch, uint32_t scratchSize) {
    if (!started()) return ReaderCode::NoCurrentEntry;
    while (contentRead_ < contentSize_) {
        const ReaderCode read = ReadContent(
            scratch,
            static_cast<uint32_t>(std::min<uint64_t>(scratchSize, contentSize_ - contentRead_)));
        if (read != ReaderCode::ReaderOk) return read;
    }
    uint8_t stored[kAesAuthCodeSize];
    uint8_t digest[kSha1DigestSize];
    const uint64_t at = start_ + info_.saltSize + kAesVerifierSize + contentSize_;
    if (!source_.ReadAt(at, stored, kAesAuthCodeSize) || !mac_->Finish(digest)) {
        return ReaderCode::IoError;
    }
    return std::equal(stored, stored + kAesAuthCodeSize, digest) ? ReaderCode::ReaderOk
                                                                 : ReaderCode::AuthCodeMismatch;
}

}  // namespace velmor::zip

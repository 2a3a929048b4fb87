#include "crypto/age/stream.h"

#include <cstring>

namespace velmor::crypto::age {

namespace {

void ChunkNonce(uint64_t counter, bool last, uint8_t* nonce) {
    std::memset(nonce, 0, kNonceSize);
    for (int i = 0; i < 8; ++i) nonce[10 - i] = static_cast<uint8_t>(counter >> (8 * i));
    nonce[11] = last ? 1 : 0;
}

}  // namespace

bool SealChunk(AgeCrypto& crypto, const uint8_t* key, uint64_t counter, bool last,
               const uint8_t* in, std::size_t size, uint8_t* out) {
    if (size > kChunkSize) return false;
    uint8_t nonce[kNonceSize];
    ChunkNonce(counter, last, nonce);
    return crypto.ChaChaPolySeal(key, nonce, in, size, out);
}

bool OpenChunk(AgeCrypto& crypto, const uint8_t* key, uint64_t counter, bool last,
               const uint8_t* in, std::size_t size, uint8_t* out) {
    if (size < kTagSize || size > kSealedChunkSize) return false;
    uint8_t nonce[kNonceSize];
    ChunkNonce(counter, last, nonce);
    return crypto.ChaChaPolyOpen(key, nonce, in, size - kTagSize, out);
}

AgeStatus StreamEncryptor::Update(const uint8_t* data, std::size_t size,
                                  std::vector<uint8_t>* out) {
    if (finished_) return AgeStatus::kCryptoFailed;
    pending_.insert(pending_.end(), data, data + size);
    // A full chunk is sealed once at least one more byte follows it: then it is not the last.
    std::size_t done = 0;
    while (pending_.size() - done > kChunkSize) {
        const std::size_t at = out->size();
        out->resize(at + kSealedChunkSize);
        if (!SealChunk(crypto_, key_.data(), counter_++, false, pending_.data() + done, kChunkSize,
                       out->data() + at)) {
            return AgeStatus::kCryptoFailed;
        }
        done += kChunkSize;
    }
    SecureZero(pending_.data(), done);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
    return AgeStatus::kOk;
}

AgeStatus StreamEncryptor::Finish(std::vector<uint8_t>* out) {
    if (finished_) return AgeStatus::kCryptoFailed;
    finished_ = true;
    const std::size_t at = out->size();
    out->resize(at + pending_.size() + kTagSize);
    const bool sealed = SealChunk(crypto_, key_.data(), counter_++, true, pending_.data(),
                                  pending_.size(), out->data() + at);
    SecureZero(pending_);
    return sealed ? AgeStatus::kOk : AgeStatus::kCryptoFailed;
}

AgeStatus StreamDecryptor::OpenPending(bool last, std::size_t size, std::vector<uint8_t>* out) {
    const std::size_t at = out->size();
    out->resize(at + size - kTagSize);
    if (!OpenChunk(crypto_, key_.data(), counter_, last, pending_.data(), size, out->data() + at)) {
        SecureZero(out->data() + at, size - kTagSize);
        out->resize(at);
        return failed_ = AgeStatus::kDamaged;
    }
    ++counter_;
    return AgeStatus::kOk;
}

AgeStatus StreamDecryptor::Update(const uint8_t* data, std::size_t size,
                                  std::vector<uint8_t>* out) {
    if (failed_ != AgeStatus::kOk) return failed_;
    if (finished_) return AgeStatus::kCryptoFailed;
    pending_.insert(pending_.end(), data, data + size);
    std::size_t done = 0;
    while (pending_.size() - done > kSealedChunkSize) {
        // More follows this chunk, so it is not the last one.
        const std::size_t at = out->size();
        out->resize(at + kChunkSize);
        if (!OpenChunk(crypto_, key_.data(), counter_, false, pending_.data() + done,
                       kSealedChunkSize, out->data() + at)) {
            SecureZero(out->data() + at, kChunkSize);
            out->resize(at);
            return failed_ = AgeStatus::kDamaged;
        }
        ++counter_;
        done += kSealedChunkSize;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
    return AgeStatus::kOk;
}

AgeStatus StreamDecryptor::Finish(std::vector<uint8_t>* out) {
    if (failed_ != AgeStatus::kOk) return failed_;
    if (finished_) return AgeStatus::kCryptoFailed;
    finished_ = true;
    // A last chunk shorter than its tag, or empty though chunks came before it, is damage.
    if (pending_.size() < kTagSize || (pending_.size() == kTagSize && counter_ != 0)) {
        return failed_ = AgeStatus::kDamaged;
    }
    return OpenPending(true, pending_.size(), out);
}

}  // namespace velmor::crypto::age

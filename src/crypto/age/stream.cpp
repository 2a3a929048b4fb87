#include "crypto/age/stream.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmor::crypto::age {

namespace {

void ChunkNonce(uint64_t counter, bool last, uint8_t* nonce) {
    std::memset(nonce, 0, kNonceSize);
    for (int i = 0; i < 8; ++i) nonce[10 - i] = static_cast<uint8_t>(counter >> (8 * i));
    nonce[11] = last ? 1 : 0;
}

}  // namespace

bool SealChunks(AgeCrypto& crypto, const uint8_t* key, uint64_t first, const uint8_t* in,
                std::size_t count, uint8_t* out, ChunkWorkers& workers) {
    return workers.Run(count, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            if (!SealChunk(crypto, key, first + i, false, in + i * kChunkSize, kChunkSize,
                           out + i * kSealedChunkSize)) {
                return false;
            }
        }
        return true;
    });
}

bool OpenChunks(AgeCrypto& crypto, const uint8_t* key, uint64_t first, const uint8_t* in,
                std::size_t count, uint8_t* out, ChunkWorkers& workers) {
    return workers.Run(count, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            if (!OpenChunk(crypto, key, first + i, false, in + i * kSealedChunkSize,
                           kSealedChunkSize, out + i * kChunkSize)) {
                return false;
            }
        }
        return true;
    });
}

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
    // A full chunk is sealed once at least one more byte follows it: then it is not the last.
    // A chunk begun before is completed first; whole chunks are sealed from data in place.
    if (!pending_.empty()) {
        const std::size_t take = std::min(size, kChunkSize - pending_.size());
        pending_.insert(pending_.end(), data, data + take);
        data += take;
        size -= take;
        if (size == 0) return AgeStatus::kOk;
        const std::size_t at = out->size();
        out->resize(at + kSealedChunkSize);
        if (!SealChunk(crypto_, key_.data(), counter_++, false, pending_.data(), kChunkSize,
                       out->data() + at)) {
            return AgeStatus::kCryptoFailed;
        }
        SecureZero(pending_);
        pending_.clear();
    }
    if (size > kChunkSize) {
        const std::size_t count = (size - 1) / kChunkSize;
        const std::size_t at = out->size();
        out->resize(at + count * kSealedChunkSize);
        if (!SealChunks(crypto_, key_.data(), counter_, data, count, out->data() + at, *workers_)) {
            return AgeStatus::kCryptoFailed;
        }
        counter_ += count;
        data += count * kChunkSize;
        size -= count * kChunkSize;
    }
    pending_.assign(data, data + size);
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
    // A chunk is opened once more follows it, so that it is known not to be the last. A chunk
    // begun before is completed first; whole chunks are opened from data in place.
    if (!pending_.empty()) {
        const std::size_t take = std::min(size, kSealedChunkSize - pending_.size());
        pending_.insert(pending_.end(), data, data + take);
        data += take;
        size -= take;
        if (size == 0) return AgeStatus::kOk;
        if (OpenPending(false, kSealedChunkSize, out) != AgeStatus::kOk) return failed_;
        pending_.clear();
    }
    if (size > kSealedChunkSize) {
        const std::size_t count = (size - 1) / kSealedChunkSize;
        const std::size_t at = out->size();
        out->resize(at + count * kChunkSize);
        if (!OpenChunks(crypto_, key_.data(), counter_, data, count, out->data() + at, *workers_)) {
            SecureZero(out->data() + at, count * kChunkSize);
            out->resize(at);
            return failed_ = AgeStatus::kDamaged;
        }
        counter_ += count;
        data += count * kSealedChunkSize;
        size -= count * kSealedChunkSize;
    }
    pending_.assign(data, data + size);
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

#include "crypto/age/stream.h"

#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

namespace velmor::crypto::age {

namespace {

void ChunkNonce(uint64_t counter, bool last, uint8_t* nonce) {
    std::memset(nonce, 0, kNonceSize);
    for (int i = 0; i < 8; ++i) nonce[10 - i] = static_cast<uint8_t>(counter >> (8 * i));
    nonce[11] = last ? 1 : 0;
}

// Runs work(begin, end) over [0, count) in contiguous parts, one a thread, the last part on
// the calling thread; true when every part succeeded. A thread that cannot be started leaves
// its part to the calling thread.
template <class Work>
bool SharedOut(std::size_t count, unsigned threads, Work&& work) {
    const std::size_t parts = threads < 2 ? 1 : (count < threads ? count : threads);
    if (parts <= 1) return work(0, count);
    std::vector<std::thread> workers;
    std::vector<char> ok(parts, 0);
    std::size_t begin = 0;
    std::size_t spawned = 0;
    for (; spawned + 1 < parts; ++spawned) {
        const std::size_t end = begin + count / parts + (spawned < count % parts ? 1 : 0);
        try {
            workers.emplace_back(
                [&work, &ok, spawned, begin, end] { ok[spawned] = work(begin, end) ? 1 : 0; });
        } catch (const std::system_error&) {
            break;
        }
        begin = end;
    }
    bool done = work(begin, count);
    for (std::thread& worker : workers) worker.join();
    for (std::size_t i = 0; i < spawned; ++i) done = done && ok[i] != 0;
    return done;
}

}  // namespace

bool SealChunks(AgeCrypto& crypto, const uint8_t* key, uint64_t first, const uint8_t* in,
                std::size_t count, uint8_t* out, unsigned threads) {
    return SharedOut(count, threads, [&](std::size_t begin, std::size_t end) {
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
                std::size_t count, uint8_t* out, unsigned threads) {
    return SharedOut(count, threads, [&](std::size_t begin, std::size_t end) {
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
    pending_.insert(pending_.end(), data, data + size);
    if (pending_.size() <= kChunkSize) return AgeStatus::kOk;
    // A full chunk is sealed once at least one more byte follows it: then it is not the last.
    const std::size_t count = (pending_.size() - 1) / kChunkSize;
    const std::size_t at = out->size();
    out->resize(at + count * kSealedChunkSize);
    if (!SealChunks(crypto_, key_.data(), counter_, pending_.data(), count, out->data() + at,
                    threads_)) {
        return AgeStatus::kCryptoFailed;
    }
    counter_ += count;
    const std::size_t done = count * kChunkSize;
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
    if (pending_.size() <= kSealedChunkSize) return AgeStatus::kOk;
    // More follows these chunks, so none of them is the last one.
    const std::size_t count = (pending_.size() - 1) / kSealedChunkSize;
    const std::size_t at = out->size();
    out->resize(at + count * kChunkSize);
    if (!OpenChunks(crypto_, key_.data(), counter_, pending_.data(), count, out->data() + at,
                    threads_)) {
        SecureZero(out->data() + at, count * kChunkSize);
        out->resize(at);
        return failed_ = AgeStatus::kDamaged;
    }
    counter_ += count;
    const std::size_t done = count * kSealedChunkSize;
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

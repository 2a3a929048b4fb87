#include "zip/format/aes_ctr.h"

#include <algorithm>
#include <cstring>

namespace velmor::zip {

namespace {

void StoreU64(uint8_t* p, uint64_t value) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

AesCtrKeystream::AesCtrKeystream(AesBlockCipher& cipher) : cipher_(cipher) {}

bool AesCtrKeystream::NextBatch(size_t wanted) {
    // Never more blocks than the data needs: a short entry costs one small call.
    const size_t blocks = std::min(kBatchBytes, wanted + kAesBlockSize - 1) / kAesBlockSize;
    batchBytes_ = blocks * kAesBlockSize;
    for (size_t at = 0; at < batchBytes_; at += kAesBlockSize) {
        uint8_t* counter = counters_ + at;
        StoreU64(counter, counterLow_);
        StoreU64(counter + 8, counterHigh_);
        if (++counterLow_ == 0) ++counterHigh_;
    }
    used_ = 0;
    return cipher_.EncryptBlocks(counters_, stream_, static_cast<uint32_t>(batchBytes_));
}

bool AesCtrKeystream::Apply(uint8_t* data, size_t size) {
    while (size > 0) {
        if (used_ == batchBytes_ && !NextBatch(size)) return false;
        const size_t n = std::min(size, batchBytes_ - used_);
        const uint8_t* key = stream_ + used_;
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t a, b;
            std::memcpy(&a, data + i, 8);
            std::memcpy(&b, key + i, 8);
            a ^= b;
            std::memcpy(data + i, &a, 8);
        }
        for (; i < n; ++i) data[i] ^= key[i];
        data += n;
        size -= n;
        used_ += n;
    }
    return true;
}

}  // namespace velmor::zip

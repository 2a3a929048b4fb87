// AES in counter mode as WinZip AES entries use it: the counter is a 16-byte little-endian
// number that starts at 1, and the encryption of each counter block is XORed onto 16 bytes
// of data. Counter blocks are encrypted in batches, many per call of the block cipher.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zip/format/aes_crypto.h"
#include "zip/format/aes_format.h"

namespace velmor::zip {

class AesCtrKeystream {
public:
    static constexpr size_t kBatchBytes = size_t{1024} * kAesBlockSize;

    explicit AesCtrKeystream(AesBlockCipher& cipher);
    AesCtrKeystream(const AesCtrKeystream&) = delete;
    AesCtrKeystream& operator=(const AesCtrKeystream&) = delete;

    // XORs the next size keystream bytes onto data. False when the cipher failed.
    bool Apply(uint8_t* data, size_t size);

private:
    bool NextBatch(size_t wanted);

    AesBlockCipher& cipher_;
    uint64_t counterLow_ = 1;
    uint64_t counterHigh_ = 0;
    size_t batchBytes_ = 0;  // keystream bytes in the current batch
    size_t used_ = 0;        // of them already applied
    uint8_t counters_[kBatchBytes];
    uint8_t stream_[kBatchBytes];
};

}  // namespace velmor::zip

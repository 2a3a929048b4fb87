// The payload: STREAM over ChaCha20-Poly1305 in chunks of 64 KiB of plain text. A chunk's
// nonce is its 11-byte big-endian counter and a last-chunk flag byte. Only the last chunk may
// be shorter than 64 KiB, and it is empty only when the whole payload is.
//
// SealChunk and OpenChunk are pure (key, counter, last flag, bytes in -> bytes out), so that
// chunks can be done on any number of threads with the same output as one thread's. The
// classes below do the chunking in order for a caller that hands over bytes as they come.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "crypto/age/age_crypto.h"
#include "crypto/age/chunk_workers.h"
#include "crypto/age/age_status.h"
#include "crypto/age/secure_zero.h"

namespace velmor::crypto::age {

inline constexpr std::size_t kChunkSize = 64 * 1024;
inline constexpr std::size_t kSealedChunkSize = kChunkSize + kTagSize;

// out receives size + kTagSize bytes; size is at most kChunkSize.
bool SealChunk(AgeCrypto& crypto, const uint8_t* key, uint64_t counter, bool last,
               const uint8_t* in, std::size_t size, uint8_t* out);
// in is size bytes including the tag; out receives size - kTagSize bytes. False when the tag
// does not verify under this counter and flag.
bool OpenChunk(AgeCrypto& crypto, const uint8_t* key, uint64_t counter, bool last,
               const uint8_t* in, std::size_t size, uint8_t* out);

// count full chunks, none of them the last, counters from first on: sealed (out receives
// count * kSealedChunkSize bytes) or opened (in is count sealed chunks). The chunks are shared
// out among the workers; the bytes are those of one thread. Open is false when any chunk
// fails to verify.
bool SealChunks(AgeCrypto& crypto, const uint8_t* key, uint64_t first, const uint8_t* in,
                std::size_t count, uint8_t* out, ChunkWorkers& workers);
bool OpenChunks(AgeCrypto& crypto, const uint8_t* key, uint64_t first, const uint8_t* in,
                std::size_t count, uint8_t* out, ChunkWorkers& workers);

class StreamEncryptor {
public:
    StreamEncryptor(AgeCrypto& crypto, const SecretBytes<kKeySize>& key)
        : crypto_(crypto), key_(key) {}
    ~StreamEncryptor() { SecureZero(pending_); }

    // Chunks handed over together are sealed on up to this many threads (1 by default), the
    // threads kept until the stream goes. Set before the first Update.
    void SetThreads(unsigned threads) { workers_ = std::make_unique<ChunkWorkers>(threads); }

    // Appends the sealed chunks that are known not to be the last to out.
    AgeStatus Update(const uint8_t* data, std::size_t size, std::vector<uint8_t>* out);
    // Seals what is left as the last chunk.
    AgeStatus Finish(std::vector<uint8_t>* out);

private:
    AgeCrypto& crypto_;
    SecretBytes<kKeySize> key_;
    std::vector<uint8_t> pending_;
    uint64_t counter_ = 0;
    std::unique_ptr<ChunkWorkers> workers_ = std::make_unique<ChunkWorkers>(1);
    bool finished_ = false;
};

// Plain text leaves only after its chunk's tag verified. A sealed chunk of full size is held
// back until the next byte shows whether it is the last one; Finish then says whether the
// stream ended properly: the last chunk flagged last, nothing after it.
class StreamDecryptor {
public:
    StreamDecryptor(AgeCrypto& crypto, const SecretBytes<kKeySize>& key)
        : crypto_(crypto), key_(key) {}
    ~StreamDecryptor() { SecureZero(pending_); }

    // Chunks handed over together are opened on up to this many threads (1 by default), the
    // threads kept until the stream goes. Set before the first Update.
    void SetThreads(unsigned threads) { workers_ = std::make_unique<ChunkWorkers>(threads); }

    // Appends the verified plain text of every chunk that is complete to out.
    AgeStatus Update(const uint8_t* data, std::size_t size, std::vector<uint8_t>* out);
    // kOk only when the last chunk verified as last and no byte followed it.
    AgeStatus Finish(std::vector<uint8_t>* out);

private:
    AgeStatus OpenPending(bool last, std::size_t size, std::vector<uint8_t>* out);

    AgeCrypto& crypto_;
    SecretBytes<kKeySize> key_;
    std::vector<uint8_t> pending_;
    uint64_t counter_ = 0;
    std::unique_ptr<ChunkWorkers> workers_ = std::make_unique<ChunkWorkers>(1);
    AgeStatus failed_ = AgeStatus::kOk;
    bool finished_ = false;
};

}  // namespace velmor::crypto::age

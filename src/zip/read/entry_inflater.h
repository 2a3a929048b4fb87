// The decoder of one entry's compressed data, chosen by the entry's method: the entry stream
// feeds it the decrypted input a chunk at a time and takes what it makes. Each method has
// its own inflater over its library; stored entries need none.
#pragma once

#include <cstdint>
#include <memory>

#include "zip/read/reader_code.h"

namespace velmor::zip {

class InflaterMemory;

constexpr uint16_t kMethodDeflate64 = 9;
constexpr uint16_t kMethodBzip2 = 12;
constexpr uint16_t kMethodLzma = 14;
constexpr uint16_t kMethodZstdDeprecated = 20;
constexpr uint16_t kMethodZstd = 93;
constexpr uint16_t kMethodXz = 95;

// No entry may make its decoder hold more than this in history (an LZMA dictionary, an XZ
// or Zstandard window): such an entry is unreadable rather than a reason to allocate.
constexpr uint64_t kMaxInflaterDictionary = 64ull * 1024 * 1024;

// Inflate results besides a negative failure: a ReaderCode, or the zlib code a library's
// failure maps to.
constexpr int32_t kInflateMore = 0;  // the stream goes on
constexpr int32_t kInflateEnd = 1;   // the stream has ended; nothing more will come

// What an inflater may need to know of its entry besides the data.
struct InflaterSettings {
    uint16_t method = 0;
    uint16_t flags = 0;             // the general purpose flags (LZMA: bit 1, the end marker)
    uint64_t uncompressedSize = 0;  // as recorded
    // Where the decoders that can be told so take their memory; null: the heap.
    InflaterMemory* memory = nullptr;
};

// Where an inflater that asks for its input takes it from: the entry's decrypted data.
class InflaterInput {
public:
    virtual ~InflaterInput() = default;
    // Up to capacity bytes: the count, 0 once the entry's data have all been read, or a
    // negative ReaderCode.
    virtual int32_t ReadInput(uint8_t* data, uint32_t capacity) = 0;
};

class EntryInflater {
public:
    virtual ~EntryInflater() = default;
    // True for a decoder built to ask for its input rather than be handed it: the entry
    // stream then calls Pull, never Inflate.
    virtual bool PullsInput() const { return false; }
    // Makes at most outCapacity bytes at out, reading from input what it needs.
    virtual int32_t Pull(InflaterInput& input, uint8_t* out, uint32_t outCapacity,
                         uint32_t* produced) {
        (void)input, (void)out, (void)outCapacity;
        *produced = 0;
        return static_cast<int32_t>(ReaderCode::UnreadableEntry);
    }
    // Decodes from the inCount bytes at in into at most outCapacity bytes at out, and tells
    // how many it took and made. inCount is 0 once the entry's data have all been handed
    // over: an inflater then gives what it still holds.
    virtual int32_t Inflate(const uint8_t* in, uint32_t inCount, uint8_t* out, uint32_t outCapacity,
                            uint32_t* consumed, uint32_t* produced) = 0;
};

// Stored, or a method with an inflater: what the reader can read.
bool IsReadableMethod(uint16_t method);

// The most one entry of the method (as its header records it) may make its inflater hold:
// a method whose decoder's size depends on the entry, and an AES entry whose real method is
// not known yet, count as the largest dictionary taken.
uint64_t InflaterMemoryBound(uint16_t method);

// ReaderOk, UnreadableEntry for a method without an inflater, or NoMemory.
ReaderCode CreateInflater(const InflaterSettings& settings,
                          std::unique_ptr<EntryInflater>* inflater);

}  // namespace velmor::zip

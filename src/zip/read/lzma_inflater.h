// LZMA (method 14) through liblzma's raw LZMA1 decoder. The data begin with a header of their
// own: the encoder's version (two bytes), the size of the properties (two bytes, 5), and the
// properties: lc, lp and pb in one byte, then the dictionary size. The end of the data is
// either the recorded size or, with flag bit 1, an end marker.
#pragma once

#include <cstdint>
#include <memory>

#include <lzma.h>

#include "zip/read/entry_inflater.h"

namespace velmor::zip {

constexpr uint32_t kLzmaHeaderSize = 4;
constexpr uint32_t kLzmaPropertiesSize = 5;
constexpr uint16_t kFlagLzmaEndMarker = 0x0002;

std::unique_ptr<EntryInflater> MakeLzmaInflater(const InflaterSettings& settings);

// The result of a liblzma call as an inflate result (kInflateMore, kInflateEnd, a failure).
int32_t LzmaInflateResult(lzma_ret result);

// A liblzma stream that takes its memory from `memory` (when not null) through `allocator`,
// which must live as long as the stream.
void UseInflaterMemory(lzma_stream& stream, lzma_allocator& allocator, InflaterMemory* memory);

// One liblzma step over the given buffers: sets what it took and made, and returns its result
// as an inflate result. Serves both the raw LZMA and the XZ decoder.
int32_t LzmaRun(lzma_stream& stream, const uint8_t* in, uint32_t inCount, uint8_t* out,
                uint32_t outCapacity, uint32_t* consumed, uint32_t* produced);

}  // namespace velmor::zip

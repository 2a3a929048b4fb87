#include "zip/read/lzma_inflater.h"

#include <algorithm>
#include <new>

#include <zlib.h>

#include "zip/format/records.h"
#include "zip/read/inflater_memory.h"

namespace velmor::zip {

void UseInflaterMemory(lzma_stream& stream, lzma_allocator& allocator, InflaterMemory* memory) {
    if (!memory) return;
    allocator.alloc = InflaterMemory::AllocateFor;
    allocator.free = InflaterMemory::ReleaseFor;
    allocator.opaque = memory;
    stream.allocator = &allocator;
}

int32_t LzmaInflateResult(lzma_ret result) {
    switch (result) {
        case LZMA_OK:
        case LZMA_BUF_ERROR:  // no progress: the entry stream knows whether input is coming
            return kInflateMore;
        case LZMA_STREAM_END:
            return kInflateEnd;
        case LZMA_MEM_ERROR:
            return static_cast<int32_t>(ReaderCode::NoMemory);
        case LZMA_MEMLIMIT_ERROR:
        case LZMA_OPTIONS_ERROR:
        case LZMA_UNSUPPORTED_CHECK:
            return static_cast<int32_t>(ReaderCode::UnreadableEntry);
        default:
            return Z_DATA_ERROR;
    }
}

int32_t LzmaRun(lzma_stream& stream, const uint8_t* in, uint32_t inCount, uint8_t* out,
                uint32_t outCapacity, uint32_t* consumed, uint32_t* produced) {
    stream.next_in = in;
    stream.avail_in = inCount;
    stream.next_out = out;
    stream.avail_out = outCapacity;
    const lzma_ret result = lzma_code(&stream, LZMA_RUN);
    *consumed = inCount - static_cast<uint32_t>(stream.avail_in);
    *produced = outCapacity - static_cast<uint32_t>(stream.avail_out);
    return LzmaInflateResult(result);
}

namespace {

class LzmaInflater : public EntryInflater {
public:
    explicit LzmaInflater(const InflaterSettings& settings) : settings_(settings) {
        UseInflaterMemory(lzma_, allocator_, settings.memory);
    }
    ~LzmaInflater() override { lzma_end(&lzma_); }

    int32_t Inflate(const uint8_t* in, uint32_t inCount, uint8_t* out, uint32_t outCapacity,
                    uint32_t* consumed, uint32_t* produced) override {
        *consumed = 0;
        *produced = 0;
        if (headerHeld_ < sizeof header_) {
            const uint32_t k = std::min<uint32_t>(inCount, sizeof header_ - headerHeld_);
            std::copy_n(in, k, header_ + headerHeld_);
            headerHeld_ += k;
            in += k;
            inCount -= k;
            *consumed = k;
            if (headerHeld_ < sizeof header_) return kInflateMore;
            const int32_t started = Start();
            if (started != kInflateMore) return started;
        }
        uint32_t taken = 0;
        const int32_t result = LzmaRun(lzma_, in, inCount, out, outCapacity, &taken, produced);
        *consumed += taken;
        return result;
    }

private:
    // The header complete: checks the properties and sets up the decoder.
    int32_t Start() {
        if (ReadU16(header_ + 2) != kLzmaPropertiesSize) return Z_DATA_ERROR;
        const uint8_t* properties = header_ + kLzmaHeaderSize;
        uint32_t literal = properties[0];
        if (literal >= 9 * 5 * 5) return Z_DATA_ERROR;
        lzma_options_lzma options{};
        options.lc = literal % 9;
        literal /= 9;
        options.lp = literal % 5;
        options.pb = literal / 5;
        options.dict_size = ReadU32(properties + 1);
        if (options.dict_size > kMaxInflaterDictionary) {
            return static_cast<int32_t>(ReaderCode::UnreadableEntry);
        }
        lzma_filter filters[2] = {};
#ifdef LZMA_FILTER_LZMA1EXT
        // The recorded size ends the data; with flag bit 1 an end marker may come first.
        filters[0].id = LZMA_FILTER_LZMA1EXT;
        options.ext_flags = (settings_.flags & kFlagLzmaEndMarker) ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
        options.ext_size_low = static_cast<uint32_t>(settings_.uncompressedSize);
        options.ext_size_high = static_cast<uint32_t>(settings_.uncompressedSize >> 32);
#else
        // Without the size, the entry stream stops at the recorded size itself.
        filters[0].id = LZMA_FILTER_LZMA1;
#endif
        filters[0].options = &options;
        filters[1].id = LZMA_VLI_UNKNOWN;
        return LzmaInflateResult(lzma_raw_decoder(&lzma_, filters));
    }

    const InflaterSettings settings_;
    lzma_allocator allocator_{};
    lzma_stream lzma_ = LZMA_STREAM_INIT;
    uint8_t header_[kLzmaHeaderSize + kLzmaPropertiesSize] = {};
    uint32_t headerHeld_ = 0;
};

}  // namespace

std::unique_ptr<EntryInflater> MakeLzmaInflater(const InflaterSettings& settings) {
    return std::unique_ptr<EntryInflater>(new (std::nothrow) LzmaInflater(settings));
}

}  // namespace velmor::zip

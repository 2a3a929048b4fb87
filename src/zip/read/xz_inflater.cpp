#include "zip/read/xz_inflater.h"

#include <new>

#include <lzma.h>

#include "zip/read/lzma_inflater.h"

namespace velmor::zip {

namespace {

// Room beside the dictionary for the decoder's own state.
constexpr uint64_t kXzDecoderOverhead = 1024 * 1024;

class XzInflater : public EntryInflater {
public:
    ~XzInflater() override { lzma_end(&xz_); }
    bool Init(InflaterMemory* memory) {
        UseInflaterMemory(xz_, allocator_, memory);
        return lzma_stream_decoder(&xz_, kMaxInflaterDictionary + kXzDecoderOverhead, 0) == LZMA_OK;
    }

    int32_t Inflate(const uint8_t* in, uint32_t inCount, uint8_t* out, uint32_t outCapacity,
                    uint32_t* consumed, uint32_t* produced) override {
        return LzmaRun(xz_, in, inCount, out, outCapacity, consumed, produced);
    }

private:
    lzma_allocator allocator_{};
    lzma_stream xz_ = LZMA_STREAM_INIT;
};

}  // namespace

std::unique_ptr<EntryInflater> MakeXzInflater(const InflaterSettings& settings) {
    std::unique_ptr<XzInflater> inflater(new (std::nothrow) XzInflater);
    if (!inflater || !inflater->Init(settings.memory)) return nullptr;
    return inflater;
}

}  // namespace velmor::zip

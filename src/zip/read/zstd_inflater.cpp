#include "zip/read/zstd_inflater.h"

#include <new>

#include <zlib.h>
#define ZSTD_STATIC_LINKING_ONLY  // ZSTD_createDStream_advanced, to take InflaterMemory's blocks
#include <zstd.h>
#include <zstd_errors.h>

#include "zip/read/inflater_memory.h"

namespace velmor::zip {

namespace {

constexpr int kZstdWindowLogMax = 26;  // 64 MiB
static_assert((1ull << kZstdWindowLogMax) == kMaxInflaterDictionary, "one limit for all");

class ZstdInflater : public EntryInflater {
public:
    ~ZstdInflater() override { ZSTD_freeDStream(zstd_); }
    bool Init(InflaterMemory* memory) {
        if (memory) {
            const ZSTD_customMem custom{[](void* opaque, size_t size) {
                                            return InflaterMemory::AllocateFor(opaque, 1, size);
                                        },
                                        InflaterMemory::ReleaseFor, memory};
            zstd_ = ZSTD_createDStream_advanced(custom);
        } else {
            zstd_ = ZSTD_createDStream();
        }
        return zstd_ &&
               !ZSTD_isError(ZSTD_DCtx_setParameter(zstd_, ZSTD_d_windowLogMax, kZstdWindowLogMax));
    }

    int32_t Inflate(const uint8_t* in, uint32_t inCount, uint8_t* out, uint32_t outCapacity,
                    uint32_t* consumed, uint32_t* produced) override {
        ZSTD_inBuffer input{in, inCount, 0};
        ZSTD_outBuffer output{out, outCapacity, 0};
        const size_t result = ZSTD_decompressStream(zstd_, &output, &input);
        *consumed = static_cast<uint32_t>(input.pos);
        *produced = static_cast<uint32_t>(output.pos);
        if (ZSTD_isError(result)) {
            switch (ZSTD_getErrorCode(result)) {
                case ZSTD_error_frameParameter_windowTooLarge:
                case ZSTD_error_frameParameter_unsupported:
                    return static_cast<int32_t>(ReaderCode::UnreadableEntry);
                case ZSTD_error_memory_allocation:
                    return static_cast<int32_t>(ReaderCode::NoMemory);
                default:
                    return Z_DATA_ERROR;
            }
        }
        // 0: a frame has ended and everything it made was handed over.
        return result == 0 ? kInflateEnd : kInflateMore;
    }

private:
    ZSTD_DStream* zstd_ = nullptr;
};

}  // namespace

std::unique_ptr<EntryInflater> MakeZstdInflater(const InflaterSettings& settings) {
    std::unique_ptr<ZstdInflater> inflater(new (std::nothrow) ZstdInflater);
    if (!inflater || !inflater->Init(settings.memory)) return nullptr;
    return inflater;
}

}  // namespace velmor::zip

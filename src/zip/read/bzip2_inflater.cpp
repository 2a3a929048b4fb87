#include "zip/read/bzip2_inflater.h"

#include <new>

#include <bzlib.h>
#include <zlib.h>

#include "zip/read/inflater_memory.h"

namespace velmor::zip {

namespace {

class Bzip2Inflater : public EntryInflater {
public:
    ~Bzip2Inflater() override {
        if (ready_) BZ2_bzDecompressEnd(&bz_);
    }
    bool Init(InflaterMemory* memory) {
        if (memory) {
            bz_.bzalloc = [](void* opaque, int count, int size) {
                return count < 0 || size < 0
                           ? nullptr
                           : InflaterMemory::AllocateFor(opaque, static_cast<size_t>(count),
                                                         static_cast<size_t>(size));
            };
            bz_.bzfree = InflaterMemory::ReleaseFor;
            bz_.opaque = memory;
        }
        return ready_ = BZ2_bzDecompressInit(&bz_, 0, 0) == BZ_OK;
    }

    int32_t Inflate(const uint8_t* in, uint32_t inCount, uint8_t* out, uint32_t outCapacity,
                    uint32_t* consumed, uint32_t* produced) override {
        bz_.next_in = reinterpret_cast<char*>(const_cast<uint8_t*>(in));
        bz_.avail_in = inCount;
        bz_.next_out = reinterpret_cast<char*>(out);
        bz_.avail_out = outCapacity;
        const int result = BZ2_bzDecompress(&bz_);
        *consumed = inCount - bz_.avail_in;
        *produced = outCapacity - bz_.avail_out;
        if (result == BZ_STREAM_END) return kInflateEnd;
        if (result == BZ_OK) return kInflateMore;
        if (result == BZ_MEM_ERROR) return static_cast<int32_t>(ReaderCode::NoMemory);
        return Z_DATA_ERROR;
    }

private:
    bz_stream bz_{};
    bool ready_ = false;
};

}  // namespace

std::unique_ptr<EntryInflater> MakeBzip2Inflater(const InflaterSettings& settings) {
    std::unique_ptr<Bzip2Inflater> inflater(new (std::nothrow) Bzip2Inflater);
    if (!inflater || !inflater->Init(settings.memory)) return nullptr;
    return inflater;
}

}  // namespace velmor::zip

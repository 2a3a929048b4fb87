#include "zip/read/deflate_inflater.h"

#include <new>

#include <zlib.h>

namespace velmor::zip {

namespace {

class DeflateInflater : public EntryInflater {
public:
    ~DeflateInflater() override {
        if (ready_) inflateEnd(&z_);
    }
    bool Init() { return ready_ = inflateInit2(&z_, -MAX_WBITS) == Z_OK; }

    int32_t Inflate(const uint8_t* in, uint32_t inCount, uint8_t* out, uint32_t outCapacity,
                    uint32_t* consumed, uint32_t* produced) override {
        z_.next_in = const_cast<Bytef*>(in);
        z_.avail_in = inCount;
        z_.next_out = out;
        z_.avail_out = outCapacity;
        const int result = inflate(&z_, Z_SYNC_FLUSH);
        *consumed = inCount - z_.avail_in;
        *produced = outCapacity - z_.avail_out;
        if (result == Z_STREAM_END) return kInflateEnd;
        if (result == Z_NEED_DICT) return Z_DATA_ERROR;
        // Z_BUF_ERROR among them: all pending input is always handed over, so zlib says so
        // only once the data have run out before the stream's end.
        return result < 0 ? result : kInflateMore;
    }

private:
    z_stream z_{};
    bool ready_ = false;
};

}  // namespace

std::unique_ptr<EntryInflater> MakeDeflateInflater(const InflaterSettings&) {
    std::unique_ptr<DeflateInflater> inflater(new (std::nothrow) DeflateInflater);
    if (!inflater || !inflater->Init()) return nullptr;
    return inflater;
}

}  // namespace velmor::zip

#include "zip/write/deflater.h"

namespace velmor::zip {

Deflater::Deflater(int level) {
    initialised_ = deflateInit2(&stream_, level, Z_DEFLATED, kDeflateWindowBits, kDeflateMemLevel,
                                Z_DEFAULT_STRATEGY) == Z_OK;
}

Deflater::~Deflater() {
    if (initialised_) deflateEnd(&stream_);
}

bool Deflater::Reset() {
    if (!initialised_) return false;
    if (deflateReset(&stream_) != Z_OK) {
        deflateEnd(&stream_);
        initialised_ = false;
    }
    return initialised_;
}

void Deflater::SetInput(const uint8_t* data, uint32_t size) {
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = size;
}

long Deflater::Compress(uint8_t* out, uint32_t capacity, bool finish, bool* done) {
    *done = false;
    if (!initialised_) return -1;
    stream_.next_out = out;
    stream_.avail_out = capacity;
    const int rc = deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
    const long produced = static_cast<long>(capacity - stream_.avail_out);
    if (rc == Z_STREAM_END) {
        *done = true;
        return produced;
    }
    if (rc == Z_OK || rc == Z_BUF_ERROR) return produced;  // Z_BUF_ERROR: no progress possible now
    return -1;
}

}  // namespace velmor::zip

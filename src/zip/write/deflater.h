// Raw DEFLATE (no zlib header or trailer) at a zlib level (8 unless chosen) with a 32 KiB window, one
// stream per entry; Reset starts the next entry's stream on the same state, so a
// writer allocates the compressor once. Input and output move in caller-sized pieces.
#pragma once

#include <cstdint>
#include <zlib.h>

namespace velmor::zip {

// Compression levels as OrvZip takes them: 0 stores every entry, 1 to 9 deflate at that zlib
// level; 8 is the level archives have always been made at.
constexpr int kStoreLevel = 0;
constexpr int kDeflateLevel = 8;
constexpr int kMaxDeflateLevel = 9;
constexpr int kDeflateWindowBits = -15;  // negative: raw stream
constexpr int kDeflateMemLevel = 8;

class Deflater {
public:
    explicit Deflater(int level = kDeflateLevel);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool ok() const { return initialised_; }
    // Starts a new stream with the same settings; false if the state is unusable.
    bool Reset();
    // Hands the next piece of input; it must be consumed by Compress calls before
    // the next SetInput.
    void SetInput(const uint8_t* data, uint32_t size);
    // Compresses into out (capacity bytes). finish: no more input follows.
    // Returns the bytes produced, or -1 on a compressor error. *done becomes true
    // when the stream has ended (only with finish).
    long Compress(uint8_t* out, uint32_t capacity, bool finish, bool* done);
    // True while SetInput's bytes are not all consumed.
    bool HasPendingInput() const { return stream_.avail_in > 0; }

private:
    z_stream stream_{};
    bool initialised_ = false;
};

}  // namespace velmor::zip

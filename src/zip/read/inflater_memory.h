// The blocks one thread's decoders take, kept for the next entry's decoder on that thread. A
// decoder's state and window are as large as the entry's method asks, and an archive of many
// small entries would otherwise take them anew, fresh pages and all, for every entry: that
// costs more than decoding a small entry. One object serves one thread at a time, one decoder
// after another, and frees what it keeps when it goes; it must outlive the decoders it serves.
#pragma once

#include <cstddef>
#include <vector>

namespace velmor::zip {

class InflaterMemory {
public:
    InflaterMemory() = default;
    ~InflaterMemory();
    InflaterMemory(const InflaterMemory&) = delete;
    InflaterMemory& operator=(const InflaterMemory&) = delete;

    // A block of at least `size` bytes, the smallest kept one that holds them if there is one;
    // null when there is no memory.
    void* Allocate(std::size_t size);
    // Takes back a block of Allocate's (null is ignored): kept while the kept blocks stay
    // within kMaxKeptBytes, else freed.
    void Release(void* block);

    // The same, in the shapes the decoders' libraries call back with; opaque is the object.
    static void* AllocateFor(void* opaque, std::size_t count, std::size_t size);
    static void ReleaseFor(void* opaque, void* block);

private:
    struct Block {
        void* address;
        std::size_t size;
    };
    std::vector<Block> used_;
    std::vector<Block> kept_;
    std::size_t keptBytes_ = 0;
};

}  // namespace velmor::zip

#include "zip/read/inflater_memory.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace velmor::zip {

namespace {

// Kept blocks stay within this, and a kept block may serve a smaller request: what a worker
// holds beyond its decoder's own needs stays within about twice this. Enough for the windows
// of an archive of many small entries, where keeping blocks pays; a large entry's window is
// taken anew, which is little beside its decoding.
constexpr std::size_t kMaxKeptBytes = 8u << 20;

}  // namespace

InflaterMemory::~InflaterMemory() {
    for (const Block& block : kept_) std::free(block.address);
    for (const Block& block : used_) std::free(block.address);  // a decoder that leaked them
}

void* InflaterMemory::Allocate(std::size_t size) {
    if (size == 0) size = 1;
    // The smallest kept block that holds the size: entries of one method ask for much the
    // same blocks, a window's a little larger or smaller with the entry's size.
    std::size_t best = kept_.size();
    for (std::size_t i = 0; i < kept_.size(); ++i) {
        if (kept_[i].size >= size && (best == kept_.size() || kept_[i].size < kept_[best].size)) {
            best = i;
        }
    }
    if (best < kept_.size()) {
        const Block block = kept_[best];
        try {
            used_.push_back(block);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        kept_[best] = kept_.back();
        kept_.pop_back();
        keptBytes_ -= block.size;
        return block.address;
    }
    void* address = std::malloc(size);
    if (!address) return nullptr;
    try {
        used_.push_back({address, size});
    } catch (const std::bad_alloc&) {
        std::free(address);
        return nullptr;
    }
    return address;
}

void InflaterMemory::Release(void* address) {
    if (!address) return;
    for (std::size_t i = 0; i < used_.size(); ++i) {
        if (used_[i].address != address) continue;
        const Block block = used_[i];
        used_[i] = used_.back();
        used_.pop_back();
        if (keptBytes_ + block.size <= kMaxKeptBytes) {
            try {
                kept_.push_back(block);
                keptBytes_ += block.size;
                return;
            } catch (const std::bad_alloc&) {
            }
        }
        std::free(address);
        return;
    }
}

void* InflaterMemory::AllocateFor(void* opaque, std::size_t count, std::size_t size) {
    if (size != 0 && count > SIZE_MAX / size) return nullptr;
    return static_cast<InflaterMemory*>(opaque)->Allocate(count * size);
}

void InflaterMemory::ReleaseFor(void* opaque, void* block) {
    static_cast<InflaterMemory*>(opaque)->Release(block);
}

}  // namespace velmor::zip

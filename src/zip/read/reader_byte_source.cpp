#include "zip/read/reader_byte_source.h"

#include <cstring>

namespace velmor::zip {

bool MemoryByteSource::Length(uint64_t* length) {
    *length = size_;
    return true;
}

bool MemoryByteSource::ReadAt(uint64_t position, void* buffer, uint32_t size) {
    if (position > size_ || size > size_ - position) return false;
    if (size != 0) std::memcpy(buffer, data_ + position, size);
    return true;
}

}  // namespace velmor::zip

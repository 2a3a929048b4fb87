// CRC-32 of entry data (zlib's crc32: reflected polynomial 0xEDB88320).
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmor::zip {

// Running CRC-32 of a byte stream, started at 0 for every entry.
class Crc32 {
public:
    void Update(const void* data, size_t size);
    uint32_t Value() const { return value_; }

private:
    uint32_t value_ = 0;
};

// CRC-32 of one buffer.
uint32_t ComputeCrc32(const void* data, size_t size);

// The 256-entry CRC table (entry i = register after eight reflected shifts of i);
// it also drives the traditional cipher's key update.
const uint32_t* CrcTable();

}  // namespace velmor::zip

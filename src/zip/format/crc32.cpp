#include "zip/format/crc32.h"

#include <climits>

#include <zlib.h>

namespace velmor::zip {

void Crc32::Update(const void* data, size_t size) {
    auto bytes = static_cast<const Bytef*>(data);
    while (size > 0) {
        const uInt piece = size > UINT_MAX ? UINT_MAX : static_cast<uInt>(size);
        value_ = static_cast<uint32_t>(crc32(value_, bytes, piece));
        bytes += piece;
        size -= piece;
    }
}

uint32_t ComputeCrc32(const void* data, size_t size) {
    Crc32 crc;
    crc.Update(data, size);
    return crc.Value();
}

const uint32_t* CrcTable() {
    // zlib's table type is z_crc_t, a 32-bit unsigned integer.
    static_assert(sizeof(z_crc_t) == sizeof(uint32_t), "CRC table entries must be 32 bits");
    return reinterpret_cast<const uint32_t*>(get_crc_table());
}

}  // namespace velmor::zip

#include "zip/format/extra_field.h"

#include "zip/format/records.h"

namespace velmor::zip {

bool FindExtraBlock(const uint8_t* extra, size_t size, uint16_t id, const uint8_t** data,
                    size_t* dataSize) {
    size_t start = 0;
    while (extra != nullptr && start + 4 <= size) {
        const size_t length = ReadU16(extra + start + 2);
        if (start + 4 + length > size) return false;
        if (ReadU16(extra + start) == id) {
            *data = extra + start + 4;
            *dataSize = length;
            return true;
        }
        start += 4 + length;
    }
    return false;
}

}  // namespace velmor::zip

// Blocks of a ZIP extra field: a 2-byte header ID, a 2-byte data size, then the data.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmor::zip {

// The data of the first block with the given ID that lies wholly inside the field, or
// false when there is none. A block that runs past the field ends the search.
bool FindExtraBlock(const uint8_t* extra, size_t size, uint16_t id, const uint8_t** data,
                    size_t* dataSize);

}  // namespace velmor::zip

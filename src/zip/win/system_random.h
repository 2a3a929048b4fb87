// Random bytes from the platform's cryptographic generator.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmor::zip {

// Fills out with size unpredictable bytes; false when the generator fails.
bool FillRandom(uint8_t* out, size_t size);

}  // namespace velmor::zip

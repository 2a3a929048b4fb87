// Standard base64 (RFC 4648 alphabet) in the two forms age uses: without padding inside the
// header, with padding inside the armor. Decoding is strict: only canonical encodings (no
// stray bits in the last character, no missing or extra padding) are accepted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmor::crypto::age {

std::string Base64Encode(const uint8_t* data, std::size_t size, bool padded);
// Appends the decoded bytes to out; false (out unspecified) when text is not canonical.
bool Base64Decode(const char* text, std::size_t size, bool padded, std::vector<uint8_t>* out);

// The length of the unpadded encoding of size bytes.
inline constexpr std::size_t Base64UnpaddedLength(std::size_t size) {
    return size / 3 * 4 + (size % 3 == 0 ? 0 : size % 3 + 1);
}

}  // namespace velmor::crypto::age

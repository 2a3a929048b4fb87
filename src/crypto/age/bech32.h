// Bech32 (BIP 173, the original checksum constant 1) for age's key strings: a human-readable
// part, the separator '1', five-bit groups and a six-character checksum, all in one case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmor::crypto::age {

// hrp in lower case; the result is lower case.
std::string Bech32Encode(const std::string& hrp, const std::vector<uint8_t>& data);
// Splits text at its last '1'; hrp comes back in lower case. False for mixed case, bad
// characters, a wrong checksum or padding bits that are not zero.
bool Bech32Decode(const std::string& text, std::string* hrp, std::vector<uint8_t>* data);

}  // namespace velmor::crypto::age

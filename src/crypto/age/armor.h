// The ASCII armor of an age file: "-----BEGIN AGE ENCRYPTED FILE-----", the file in padded
// base64 at 64 columns (the last line may be shorter), "-----END AGE ENCRYPTED FILE-----".
// Whitespace before and after the armor is ignored and lines may end in CRLF; anything else
// outside the strict form is damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "crypto/age/age_status.h"

namespace velmor::crypto::age {

inline constexpr char kArmorBegin[] = "-----BEGIN AGE ENCRYPTED FILE-----";
inline constexpr char kArmorEnd[] = "-----END AGE ENCRYPTED FILE-----";

// Whether data (after leading whitespace) starts as an armored file.
bool LooksArmored(const uint8_t* data, std::size_t size);

std::string ArmorEncode(const uint8_t* data, std::size_t size);
// kDamaged for anything but one well-formed armor block.
AgeStatus ArmorDecode(const uint8_t* data, std::size_t size, std::vector<uint8_t>* out);

}  // namespace velmor::crypto::age

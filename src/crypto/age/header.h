// The age header as text: the version line, the stanzas ("-> type args" and a base64 body
// wrapped at 64 columns, its last line shorter) and the MAC line. Parsing checks the form
// only; what a stanza means and whether the MAC fits is for the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "crypto/age/age_status.h"

namespace velmor::crypto::age {

inline constexpr char kVersionLine[] = "age-encryption.org/v1";
inline constexpr std::size_t kMacSize = 32;
// A header longer than this is refused as damaged: no stanza of a known type comes close.
inline constexpr std::size_t kMaxHeaderSize = 1 << 20;

struct Stanza {
    std::string type;
    std::vector<std::string> args;
    std::vector<uint8_t> body;
};

struct Header {
    std::vector<Stanza> stanzas;
    uint8_t mac[kMacSize] = {};
    // The bytes the MAC covers: from the version line through "---" (without the space).
    std::size_t macInputSize = 0;
    // The whole header with the MAC line; the payload starts here.
    std::size_t size = 0;
};

// kIncomplete while data ends inside the header and is shorter than kMaxHeaderSize; kDamaged
// for anything not well formed.
AgeStatus ParseHeader(const uint8_t* data, std::size_t size, Header* header);

// The header text up to and including "---", the input of the MAC.
std::string WriteHeaderWithoutMac(const std::vector<Stanza>& stanzas);
// " " + base64(mac) + "\n", to follow WriteHeaderWithoutMac's text.
std::string WriteMacLine(const uint8_t* mac);

}  // namespace velmor::crypto::age

// How entries written with a password are encrypted.
#pragma once

#include <cstdint>

namespace velmor::zip {

enum class EntryEncryption : int32_t {
    Traditional = 0,  // the traditional PKWARE cipher, with a data descriptor
    Aes256 = 1,       // WinZip AES (method 99, the 0x9901 block), 256-bit keys
};

}  // namespace velmor::zip

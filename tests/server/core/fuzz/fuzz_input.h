// Turning fuzz input bytes into the library's texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

namespace velmor::server::fuzz {

// Every two bytes (low byte first) make one UTF-16 unit; an odd last byte is dropped.
inline std::wstring Units(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    }
    return text;
}

}  // namespace velmor::server::fuzz

// Turning fuzz input bytes into the library's texts.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <string>

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

// Fails loudly, so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

}  // namespace velmor::server::fuzz

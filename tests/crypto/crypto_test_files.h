// File helpers for the encryption tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace velmor::crypto::test {

using Bytes = std::vector<std::uint8_t>;
using velmor::test::PathExists;

// Deterministic, non-repeating-looking content of a given length.
inline Bytes PatternBytes(std::size_t length, std::uint32_t seed = 1) {
    Bytes out(length);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : out) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return out;
}

inline void WriteBytes(const std::wstring& path, const Bytes& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::uint32_t LittleEndian32(const Bytes& bytes, std::size_t at = 0) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

}  // namespace velmor::crypto::test

// A C runtime stream opened on a wide path with a large buffer.
#pragma once

#include <cstdio>
#include <string>

#include "base/win/handle_traits.h"

namespace velmor::crypto {

inline constexpr std::size_t kStreamBuffer = 64 * 1024;

// Opens the file; on failure the stream is empty and the platform's last error
// says why. The stream gets a buffer of kStreamBuffer bytes, so that small
// reads and writes reach the system in large, fixed-size blocks.
inline ScopedStdioStream OpenBufferedStream(const std::wstring& path, const wchar_t* mode) {
    ScopedStdioStream stream(_wfopen(path.c_str(), mode));
    if (stream) std::setvbuf(stream.get(), nullptr, _IOFBF, kStreamBuffer);
    return stream;
}

}  // namespace velmor::crypto

// Reads an 8-bit text file line by line the way the C runtime's text mode
// does (CR LF reads as LF), at most 1023 characters at a time, each byte
// becoming the character of the same code (ISO 8859-1).
#pragma once

#include <string>

#include "base/win/handle_traits.h"
#include "server/core/status_files.h"

namespace velmor::server {

class TextLineReader final : public LineSource {
public:
    static constexpr int kChunkChars = 1023;

    // Opens for shared reading; IsOpen() tells whether that worked.
    explicit TextLineReader(const std::wstring& path);

    bool IsOpen() const { return file_.valid(); }
    // Next piece of text up to and including its LF (or 1023 characters);
    // false at the end of the file. The text ends at an embedded NUL byte.
    bool Next(std::wstring& line) override;

private:
    ScopedStdioStream file_;
};

}  // namespace velmor::server

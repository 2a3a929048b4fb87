// Strict conversion between UTF-8 and UTF-16, as entry names need it: nothing is ever
// replaced or guessed, so a name either converts exactly or not at all.
#pragma once

#include <string>

namespace velmor::zip {

// Fails on any sequence that is not well-formed UTF-8: stray or missing continuation
// bytes, overlong forms (such as C0 AF for "/"), encoded surrogates, code points above
// U+10FFFF, and the bytes F5 to FF.
bool Utf8ToUtf16(const std::string& bytes, std::wstring* text);

// Fails on a surrogate that is not part of a pair.
bool Utf16ToUtf8(const std::wstring& text, std::string* bytes);

}  // namespace velmor::zip

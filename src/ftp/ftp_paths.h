// Preparation of path and text arguments before they reach the server.
#pragma once

#include <string>

namespace velmor::ftp {

// Cuts a text to at most maxChars characters.
std::wstring CutText(const std::wstring& text, size_t maxChars);
// Remote paths: cut to 259 characters, every "\" turned into "/".
std::wstring PrepareRemotePath(const std::wstring& path);
// Local paths: cut to 259 characters, otherwise unchanged.
std::wstring PrepareLocalPath(const std::wstring& path);

// Whether a name matches a mask of "*" (any run of characters) and "?" (any
// one character), letters compared without regard to case.
bool MatchesMask(const std::wstring& mask, const std::wstring& name);
// Whether the text holds "*" or "?".
bool IsMask(const std::wstring& text);

}  // namespace velmor::ftp

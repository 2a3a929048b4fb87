// Entry names in the process's ANSI (and OEM) code page, over the platform's conversions.
#pragma once

#include <string>

namespace velmor::zip {

// The ANSI form of text, only when the code page holds every character of it: no
// best-fit look-alike and no default character stands in for one. False otherwise.
bool ToAnsiExactly(const std::wstring& text, std::string* bytes);

// ANSI code page bytes as UTF-16; empty when they cannot be converted.
std::wstring FromAnsi(const std::string& bytes);

// OEM code page bytes (the DOS code page: 866 on a Russian system) as UTF-16; empty when
// they cannot be converted.
std::wstring FromOem(const std::string& bytes);

}  // namespace velmor::zip

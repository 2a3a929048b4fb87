// Texts of the library's string table.
#pragma once

#include <windows.h>

#include <string>

namespace velmor {

// The text of string-table entry `id` of ModuleInstance(); empty when it cannot be loaded.
std::wstring LoadResourceString(UINT id);

// A string-table entry used as a wsprintf format with signed 32-bit numbers.
std::wstring FormatResourceString(UINT id, int a);
std::wstring FormatResourceString(UINT id, int a, int b, int c);

}  // namespace velmor

#pragma once

#include <windows.h>

#include <string>

namespace velmor::crypto {

// The platform's message for an error code, as the platform words it
// (usually ending in CR LF); empty when the platform has none.
std::wstring SystemErrorText(DWORD code);

}  // namespace velmor::crypto

#pragma once

#include <windows.h>

#include <string>

namespace velmor::crypto {

// The description of a failed step's platform error: the platform's own
// message when it has one; otherwise (some platforms carry no texts for the
// cryptographic provider's codes) the component's own text with the code, so
// that a failure is never described by an empty string nor, for code 0, by
// the platform's text for success.
std::wstring CryptErrorText(DWORD code);

}  // namespace velmor::crypto

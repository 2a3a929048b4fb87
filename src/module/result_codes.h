// The message texts of the result codes (base/result_code.h).
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

#include "base/result_code.h"

namespace velmor {

// The string-table id of the message for `code` (212 for codes without a message of their own).
UINT MessageIdForCode(long code) noexcept;
// The message text of a result code.
std::wstring DescribeResultCode(long code);
// The shared ErrDescription of OrvZip and OrvFtp.
HRESULT SharedErrDescription(long code, BSTR* result) noexcept;

}  // namespace velmor

// Conversions between automation strings and the library's own strings.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <string>

namespace velmor {

// An [in] BSTR as text; a null BSTR is the empty string.
inline std::wstring BstrToWString(BSTR s) {
    return s ? std::wstring(s, SysStringLen(s)) : std::wstring();
}

// Fills an [out, retval] BSTR with a new copy of the text. The caller has checked `out`.
inline HRESULT ReturnBstr(const std::wstring& text, BSTR* out) noexcept {
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace velmor

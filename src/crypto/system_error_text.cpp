#include "crypto/system_error_text.h"

#include "base/win/handle_traits.h"

namespace velmor::crypto {

std::wstring SystemErrorText(DWORD code) {
    ScopedLocalMemory<wchar_t> text;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, LANG_USER_DEFAULT, reinterpret_cast<wchar_t*>(text.receive()), 0, nullptr);
    if (length == 0 || !text) return std::wstring();
    return std::wstring(text.get(), length);
}

}  // namespace velmor::crypto

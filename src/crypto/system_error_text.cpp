#include "crypto/system_error_text.h"

#include <memory>

namespace velmor::crypto {
namespace {

struct LocalFreeDeleter {
    void operator()(wchar_t* text) const { LocalFree(text); }
};

}  // namespace

std::wstring SystemErrorText(DWORD code) {
    wchar_t* raw = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
            FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, LANG_USER_DEFAULT, reinterpret_cast<wchar_t*>(&raw), 0,
        nullptr);
    std::unique_ptr<wchar_t, LocalFreeDeleter> owner(raw);
    if (length == 0 || raw == nullptr) return std::wstring();
    return std::wstring(raw, length);
}

}  // namespace velmor::crypto

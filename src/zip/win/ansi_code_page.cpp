#include "zip/win/ansi_code_page.h"

#include <windows.h>

namespace velmor::zip {

namespace {

bool ToAnsi(const std::wstring& text, DWORD flags, BOOL* usedDefault, std::string* bytes) {
    const int units = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_ACP, flags, text.data(), units, nullptr, 0, nullptr, usedDefault);
    if (needed <= 0) return false;
    std::string out(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_ACP, flags, text.data(), units, &out[0], needed, nullptr,
                            usedDefault) != needed) {
        return false;
    }
    *bytes = std::move(out);
    return true;
}

std::wstring FromCodePage(UINT codePage, const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    const int size = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, &text[0], units);
    return text;
}

}  // namespace

bool ToAnsiExactly(const std::wstring& text, std::string* bytes) {
    if (text.empty()) {
        bytes->clear();
        return true;
    }
    BOOL usedDefault = FALSE;
    if (ToAnsi(text, WC_NO_BEST_FIT_CHARS, &usedDefault, bytes)) return usedDefault == FALSE;
    // Some code pages (UTF-8 among them) take neither the flag nor the question; there the
    // conversion is exact when it comes back unchanged.
    const DWORD error = GetLastError();
    if (error != ERROR_INVALID_FLAGS && error != ERROR_INVALID_PARAMETER) return false;
    return ToAnsi(text, 0, nullptr, bytes) && FromAnsi(*bytes) == text;
}

std::wstring FromAnsi(const std::string& bytes) { return FromCodePage(CP_ACP, bytes); }

std::wstring FromOem(const std::string& bytes) { return FromCodePage(CP_OEMCP, bytes); }

}  // namespace velmor::zip

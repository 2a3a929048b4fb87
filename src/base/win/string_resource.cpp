#include "base/win/string_resource.h"

#include "base/win/module_instance.h"

namespace velmor {
namespace {

// wsprintf writes at most 1024 characters.
constexpr int kFormattedChars = 1025;

}  // namespace

std::wstring LoadResourceString(UINT id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size the string table entry itself is returned, not a copy.
    const int length = LoadStringW(ModuleInstance(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) return std::wstring();
    return std::wstring(text, static_cast<size_t>(length));
}

std::wstring FormatResourceString(UINT id, int a) {
    wchar_t text[kFormattedChars];
    const int length = wsprintfW(text, LoadResourceString(id).c_str(), a);
    return std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0);
}

std::wstring FormatResourceString(UINT id, int a, int b, int c) {
    wchar_t text[kFormattedChars];
    const int length = wsprintfW(text, LoadResourceString(id).c_str(), a, b, c);
    return std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0);
}

}  // namespace velmor

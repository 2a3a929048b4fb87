#include "zip/write/writer_entry.h"

#include <cwctype>

#include "zip/format/records.h"

namespace velmor::zip {

namespace {

bool EqualsIgnoringAsciiCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != L'\0'; ++i) {
        wchar_t x = a[i];
        wchar_t y = b[i];
        if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
        if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
        if (x != y) return false;
    }
    return i == a.size() && b[i] == L'\0';
}

}  // namespace

uint16_t MethodForEntryName(const std::wstring& name) {
    static const wchar_t* const kStoredSuffixes[] = {L".Z",   L".zip", L".zoo", L".arc",
                                                     L".lzh", L".arj", L".gz",  L".tgz"};
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos) return 8;
    const std::wstring suffix = name.substr(dot);
    for (const wchar_t* s : kStoredSuffixes) {
        if (EqualsIgnoringAsciiCase(suffix, s)) return 0;
    }
    return 8;
}

uint16_t DeflateLevelFlags(int level) {
    constexpr uint16_t kFlagFastCompression = 0x0004;
    if (level <= 2) return kFlagFastCompression;
    return level >= 8 ? kFlagMaxCompression : 0;
}

uint32_t ExternalAttributesFor(uint32_t fileAttributes) {
    constexpr uint32_t kReadOnly = 0x01;
    constexpr uint32_t kDirectory = 0x10;
    uint32_t x = fileAttributes & 0x37u;
    x |= (fileAttributes & kDirectory) ? 0x40000000u : 0x80000000u;
    x |= 0x01000000u;                                     // owner-readable
    if (!(fileAttributes & kReadOnly)) x |= 0x00800000u;  // owner-writable
    return x;
}

}  // namespace velmor::zip

#include "server/info_line.h"

#include <cstdio>
#include <cwchar>

namespace velmor::server {
namespace {

const wchar_t* const kFieldNames[] = {L"device_id", L"pseudonim", L"directory",
                                      L"file",      L"time",      L"crc"};

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c; }

bool EqualsIgnoringAsciiCase(const std::wstring& a, const wchar_t* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return i == a.size() && b[i] == L'\0';
}

int FieldPosition(const std::wstring& name) {
    for (int i = 0; i < 6; ++i) {
        if (EqualsIgnoringAsciiCase(name, kFieldNames[i])) return i + 1;
    }
    return 0;
}

void AppendQuoted(std::wstring& out, const std::wstring& value) {
    out += L'"';
    out += value;
    out += L"\",";
}

}  // namespace

std::wstring FormatStatusTime(const SYSTEMTIME& t) {
    wchar_t buf[64];
    std::swprintf(buf, 64, L"%04u-%02u-%02u %02u-%02u-%02u", static_cast<unsigned>(t.wYear),
                  static_cast<unsigned>(t.wMonth), static_cast<unsigned>(t.wDay),
                  static_cast<unsigned>(t.wHour), static_cast<unsigned>(t.wMinute),
                  static_cast<unsigned>(t.wSecond));
    return buf;
}

std::wstring FormatInfoLine(const DeviceRecord& d) {
    std::wstring line;
    line.reserve(256);
    AppendQuoted(line, FormatDeviceId(d.id));
    AppendQuoted(line, d.pseudonym);
    AppendQuoted(line, d.directory);
    AppendQuoted(line, d.file);
    AppendQuoted(line, FormatStatusTime(d.time));
    wchar_t crc[16];
    std::swprintf(crc, 16, L"%010u", static_cast<unsigned>(d.crc));
    line += L'"';
    line += crc;
    line += L'"';
    return line;
}

std::wstring ExtractField(const std::wstring& info, const std::wstring& name) {
    const int wanted = FieldPosition(name);
    if (wanted == 0) return {};
    const std::size_t end = std::wcslen(info.c_str());  // the text ends at its first NUL
    std::size_t pos = 0;
    std::wstring result;
    for (int field = 1; field <= wanted; ++field) {
        result.clear();
        if (pos >= end) break;
        bool quoted = false;
        for (; pos < end && info[pos] != L','; ++pos) {
            const wchar_t c = info[pos];
            if (c == L'"') {
                quoted = !quoted;
            } else if (quoted && result.size() < kMaxFieldChars) {
                result += c;
            }
        }
        if (pos < end) ++pos;  // step over the comma
    }
    return result;
}

}  // namespace velmor::server

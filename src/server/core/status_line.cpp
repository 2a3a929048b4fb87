#include "server/core/status_line.h"

#include <climits>
#include <cstring>

namespace velmor::server {
namespace {

bool IsLineEnd(wchar_t c) { return c == L'\r' || c == L'\n'; }

bool IsCSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

std::uint16_t TimePart(const std::wstring& text, std::size_t pos, std::size_t len) {
    return static_cast<std::uint16_t>(ParseInt32(text.substr(pos, len)));
}

}  // namespace

void TrimLineEnd(std::wstring& line) {
    for (int i = 0; i < 2 && !line.empty() && IsLineEnd(line.back()); ++i) line.pop_back();
}

std::vector<std::wstring> SplitTabFields(const std::wstring& line) {
    std::vector<std::wstring> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find(L'\t', start);
        if (tab == std::wstring::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

std::int32_t ParseInt32(const std::wstring& text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > 1LL + INT32_MAX) value = 1LL + INT32_MAX;  // saturate, keep reading
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

CalendarTime ParseStatusTime(const std::wstring& text) {
    CalendarTime t{};
    const std::size_t n = text.size();
    if (n != 10 && n != 16 && n != 19) {
        t.wYear = 2000;
        t.wMonth = 1;
        t.wDay = 1;
        return t;
    }
    t.wYear = TimePart(text, 0, 4);
    t.wMonth = TimePart(text, 5, 2);
    t.wDay = TimePart(text, 8, 2);
    if (n >= 16) {
        t.wHour = TimePart(text, 11, 2);
        t.wMinute = TimePart(text, 14, 2);
    }
    if (n == 19) t.wSecond = TimePart(text, 17, 2);
    return t;
}

std::size_t ReadStatusLine(const std::wstring& line, StatusRecord& record) {
    std::memset(&record, 0, sizeof(record));
    const std::vector<std::wstring> fields = SplitTabFields(line);
    record.id = ParseDeviceId(fields[0]);
    if (fields.size() > 2) CopyName64(record.file, fields[2]);
    if (fields.size() > 3) record.time = ParseStatusTime(fields[3]);
    if (fields.size() > 4) record.number = ParseInt32(fields[4]);
    return fields.size();
}

}  // namespace velmor::server

#include "server/core/info_line.h"

#include <cstdio>

namespace velmor::server {
namespace {

void AppendQuoted(std::wstring& out, const std::wstring& value) {
    out += L'"';
    out += value;
    out += L"\",";
}

}  // namespace

std::wstring FormatStatusTime(const CalendarTime& t) {
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

}  // namespace velmor::server

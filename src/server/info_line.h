// The device info line: six quoted, comma-separated fields
// ("device_id","pseudonim","directory","file","time","crc"), and picking one
// field out of such a line by name.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "server/device_record.h"

namespace velmor::server {

// Longest text a field result may have.
constexpr std::size_t kMaxFieldChars = 1023;

// "YYYY-MM-DD hh-mm-ss".
std::wstring FormatStatusTime(const SYSTEMTIME& time);

std::wstring FormatInfoLine(const DeviceRecord& device);

// The content of the named field (names compared ignoring ASCII case);
// empty for an unknown name or a text with fewer fields.
std::wstring ExtractField(const std::wstring& info, const std::wstring& name);

}  // namespace velmor::server

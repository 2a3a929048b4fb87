// The device info line: six quoted, comma-separated fields
// ("device_id","pseudonim","directory","file","time","crc"), and picking one
// field out of such a line by name.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

#include "server/device_record.h"

namespace velmor::server {

// Longest text a field result may have.
constexpr std::size_t kMaxFieldChars = 1023;

// "YYYY-MM-DD hh-mm-ss".
std::wstring FormatStatusTime(const SYSTEMTIME& time);

std::wstring FormatInfoLine(const DeviceRecord& device);

// Gives the names that a device had when its line was written, or null when
// the device is not known.
using DeviceNamesLookup = std::function<const DeviceRecord*(const DeviceId&)>;

// The content of the named field (names compared ignoring ASCII case);
// empty for an unknown name or a text with fewer fields.
//
// A text laid out as FormatInfoLine writes it gives back exactly the values
// that went in, commas, blanks and quotes included: the id, time and crc have
// fixed forms, a file name holds no quote, and the pseudonym ends at the
// first "," that leaves a directory behind it. A pseudonym or directory that
// itself holds "," is told apart with the names of the line's device, when
// knownNames knows it. Any other text is read field by field: a field ends
// at every comma, only characters inside quotes count, a quote only opens or
// closes.
std::wstring ExtractField(const std::wstring& info, const std::wstring& name,
                          const DeviceNamesLookup& knownNames = nullptr);

}  // namespace velmor::server

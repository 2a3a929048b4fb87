// The device info line: six quoted, comma-separated fields
// ("device_id","pseudonim","directory","file","time","crc"), and picking one
// field out of such a line by name.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "server/core/device_record.h"

namespace velmor::server {

// Longest text a field result may have.
constexpr std::size_t kMaxFieldChars = 1023;

// "YYYY-MM-DD hh-mm-ss".
std::wstring FormatStatusTime(const CalendarTime& time);

std::wstring FormatInfoLine(const DeviceRecord& device);

// Gives the names that a device had when its line was written, or null when
// the device is not known.
using DeviceNamesLookup = std::function<const DeviceRecord*(const DeviceId&)>;

// The content of the named field (names compared ignoring ASCII case);
// empty for an unknown name or a text with fewer fields.
//
// A text laid out as FormatInfoLine writes it gives back exactly the values
// that went in, commas, blanks and quotes included: the id, time and crc have
// fixed forms and a file name holds no quote, so only the pseudonym and the
// directory can hold the three characters "," that stand between two values.
// When they do, the line reads two ways; knownNames, given the line's id,
// settles it with that device's names, and without them the pseudonym ends
// at the first such triple. Any other text is read field by field: a field
// ends at every comma, only characters inside quotes count, and a quote only
// opens or closes.
std::wstring ExtractField(const std::wstring& info, const std::wstring& name,
                          const DeviceNamesLookup& knownNames = nullptr);

}  // namespace velmor::server

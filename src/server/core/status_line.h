// The line grammar shared by Status.txt and Stack.txt: line-end trimming,
// TAB-separated fields, the date/time text and the C library's integer
// reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "server/core/device_record.h"

namespace velmor::server {

// Lines shorter than this (after trimming) carry no device.
constexpr std::size_t kMinStatusLineLength = 36;
constexpr std::size_t kStatusFieldCount = 5;

// Removes one CR or LF from the end, then one more if the new last
// character is again CR or LF.
void TrimLineEnd(std::wstring& line);

// Splits at TAB; the text after the last TAB is a field too.
std::vector<std::wstring> SplitTabFields(const std::wstring& line);

// _wtoi semantics, clamped to the signed 32-bit range.
std::int32_t ParseInt32(const std::wstring& text);

// "YYYY?MM?DD[?hh?mm[?ss]]" of 10, 16 or 19 characters; any other length
// gives 2000-01-01 00:00:00.
CalendarTime ParseStatusTime(const std::wstring& text);

// Fills a record from fields 1, 3, 4 and 5 of a line; missing fields leave
// the record's fields empty (no file, zero time, number 0). Returns the
// number of fields the line has.
std::size_t ReadStatusLine(const std::wstring& line, StatusRecord& record);

}  // namespace velmor::server

// File times and calendar times as the platform keeps them, and the conversions between
// them and the DOS date and time words of the records, which go through the local zone.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "zip/read/reader_entry_mapping.h"
#include "zip/format/records.h"

namespace velmor::zip {

uint64_t ToUint64(const FILETIME& ft);
FILETIME ToFileTime(uint64_t value);

// Calendar fields to a DOS value (time low, date high):
// time = hour*2048 + minute*32 + second/2, date = ((year-1980) & 0x7F)*512 + month*32 + day.
uint32_t DosDateTimeFromSystemTime(const SYSTEMTIME& st);
// DOS value to calendar fields (seconds = 2 * field, milliseconds 0, day of week 0).
SYSTEMTIME SystemTimeFromDosDateTime(uint32_t dosDateTime);

// UTC file time -> local time with the zone's current offset -> DOS value.
// Returns false when the platform cannot convert the time.
bool UtcFileTimeToDosDateTime(const FILETIME& utc, uint32_t* dosDateTime);
// DOS value taken as local time -> UTC file time with the zone's current offset.
bool DosDateTimeToUtcFileTime(uint32_t dosDateTime, FILETIME* utc);

// The DOS date and time taken as local time for all three, then overridden by the first
// extended-timestamp block of the local extra field. A DOS value that is no valid civil
// time gives 0 ("no time"), which leaves an extracted file's own time in place.
EntryTimes ResolveEntryTimes(uint32_t dosDateTime, const uint8_t* localExtra, size_t extraLength);

}  // namespace velmor::zip

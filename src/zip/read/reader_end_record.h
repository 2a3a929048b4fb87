// Locating and checking the end of central directory record.
#pragma once

#include <cstdint>

#include "zip/read/reader_byte_source.h"
#include "zip/format/records.h"

namespace velmor::zip {

// Only the last 65,535 bytes of the file are searched ...
constexpr uint32_t kEndRecordSearchSpan = 65535;
// ... through windows of 1,028 bytes that overlap by 4.
constexpr uint32_t kEndRecordWindowSize = 1028;
constexpr uint32_t kEndRecordWindowStep = 1024;

struct EndRecord {
    uint64_t position = 0;   // of the record in the file
    int32_t entryCount = 0;  // entries in total (after SettleEntryCount: in the directory)
    uint16_t commentLength = 0;
    uint64_t directorySize = 0;
    uint64_t directoryOffset = 0;  // relative to the archive start
    uint64_t prefixLength = 0;     // bytes in front of the archive
    bool zip64 = false;            // the figures come from the Zip64 end record
};

// Position of the end record signature nearest the end of the file, or 0 when there is
// none in the last 65,535 bytes (a record at position 0 counts as none).
uint64_t FindEndRecord(ByteSource& source);

// Reads the record at position and checks it: one disk, agreeing entry counts, and a
// central directory that ends at or before the record. Derives the prefix length.
//
// A Zip64 locator directly in front of the record leads to the Zip64 end record, whose
// figures then stand for all of the record's: found where the locator says or, in an
// archive with bytes in front, directly before the locator. It must lie wholly between
// the central directory and the locator, name one disk, agree with itself about the entry
// count, and announce no more entries than its directory can hold. A record that fails
// any of this refuses the archive, unless the 32-bit record needs no Zip64 at all (none of
// its fields holds the marker): then the locator was a chance match and the 32-bit figures
// are read as ever.
bool ReadEndRecord(ByteSource& source, uint64_t position, EndRecord* record);

// Settles the entry count against the central headers that the directory's offset and
// size delimit. Where they agree with the announced count, nothing changes. Where more
// headers than announced fill the directory exactly (a count that wrapped past 65,535,
// or one that was never updated), the headers count. Where more headers than announced
// stand in a directory that they do not fill, the archive cannot be trusted: false. With
// fewer headers, the announced count stays and the walk ends at the damage.
bool SettleEntryCount(ByteSource& source, EndRecord* record);

}  // namespace velmor::zip

// An archive's entries as stored bytes, for copying them into a new archive untouched: each
// entry's central header whole (name, extra field, comment) and the span of the file from its
// local header up to the next entry's local header (or the central directory), which holds
// its data and any data descriptor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/read/reader_byte_source.h"
#include "zip/read/reader_end_record.h"

namespace velmor::zip {

struct StoredEntry {
    std::vector<uint8_t> centralHeader;
    uint64_t spanStart = 0;  // absolute position of the local header
    uint64_t spanEnd = 0;    // absolute position where the span ends
};

struct StoredArchive {
    uint64_t prefixLength = 0;         // bytes in front of the first record, copied as they are
    std::vector<StoredEntry> entries;  // in directory order
    std::string comment;               // the end record's
};

// Reads the central directory that a checked end record delimits. False when a header cannot
// be read or decoded, its Zip64 offset is missing, two entries start at one place, or a span
// would leave the bytes in front of the directory.
bool ReadStoredEntries(ByteSource& source, const EndRecord& end, StoredArchive* archive);

// Points a stored central header at a new local header offset: in its own field where the value
// fits, in its Zip64 block where the field holds the marker already or the value does not fit
// (adding the block or the field where needed, and version needed 4.5). False when the header
// cannot take it.
bool RelocateCentralHeader(std::vector<uint8_t>& header, uint64_t localHeaderOffset);

}  // namespace velmor::zip

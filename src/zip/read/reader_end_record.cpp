#include "zip/read/reader_end_record.h"

#include <algorithm>
#include <climits>

#include "zip/format/zip64.h"

namespace velmor::zip {

namespace {

// Whether the 32-bit record leaves any of its figures to a Zip64 end record.
bool HoldsZip64Marker(const EndOfCentralDirectory& f) {
    return f.thisDisk == kZip64Marker16 || f.centralDirectoryDisk == kZip64Marker16 ||
           f.entriesOnThisDisk == kZip64Marker16 || f.entriesTotal == kZip64Marker16 ||
           f.centralDirectorySize == kZip64Marker32 || f.centralDirectoryOffset == kZip64Marker32;
}

enum class Zip64Outcome { Absent, Read, Refused };

// The Zip64 end record that a locator directly in front of the 32-bit record at position
// leads to.
Zip64Outcome ReadZip64EndRecord(ByteSource& source, uint64_t position, EndRecord* record) {
    if (position < kZip64EndLocatorSize) return Zip64Outcome::Absent;
    const uint64_t locatorAt = position - kZip64EndLocatorSize;
    uint8_t raw[kZip64EndRecordSize];
    Zip64EndLocator locator;
    if (!source.ReadAt(locatorAt, raw, kZip64EndLocatorSize) || !Decode(raw, locator)) {
        return Zip64Outcome::Absent;
    }
    if (locator.endRecordDisk != 0 || locator.totalDisks > 1) return Zip64Outcome::Refused;
    Zip64EndOfCentralDirectory fields;
    auto readAt = [&](uint64_t at) {
        return at <= locatorAt && locatorAt - at >= kZip64EndRecordSize &&
               source.ReadAt(at, raw, kZip64EndRecordSize) && Decode(raw, fields);
    };
    // Where the locator says; with bytes in front of the archive, directly before it.
    uint64_t at = locator.endRecordOffset;
    if (!readAt(at)) {
        if (locatorAt < kZip64EndRecordSize) return Zip64Outcome::Refused;
        at = locatorAt - kZip64EndRecordSize;
        if (!readAt(at)) return Zip64Outcome::Refused;
    }
    // The record, its extensible data included, ends at or before the locator.
    if (fields.recordSize < kZip64EndRecordSizeField ||
        fields.recordSize > locatorAt - at - (kZip64EndRecordSize - kZip64EndRecordSizeField)) {
        return Zip64Outcome::Refused;
    }
    if (fields.thisDisk != 0 || fields.centralDirectoryDisk != 0 ||
        fields.entriesOnThisDisk != fields.entriesTotal) {
        return Zip64Outcome::Refused;
    }
    // The directory ends at or before the record, and holds at least a fixed header for
    // every entry it announces.
    if (fields.centralDirectoryOffset > at ||
        fields.centralDirectorySize > at - fields.centralDirectoryOffset ||
        fields.entriesTotal > fields.centralDirectorySize / kCentralHeaderSize ||
        fields.entriesTotal > static_cast<uint64_t>(INT32_MAX)) {
        return Zip64Outcome::Refused;
    }
    record->position = position;
    record->entryCount = static_cast<int32_t>(fields.entriesTotal);
    record->directorySize = fields.centralDirectorySize;
    record->directoryOffset = fields.centralDirectoryOffset;
    record->prefixLength = at - (fields.centralDirectoryOffset + fields.centralDirectorySize);
    record->zip64 = true;
    return Zip64Outcome::Read;
}

}  // namespace

uint64_t FindEndRecord(ByteSource& source) {
    uint64_t length = 0;
    if (!source.Length(&length)) return 0;
    const uint64_t limit = std::min<uint64_t>(kEndRecordSearchSpan, length);
    uint8_t window[kEndRecordWindowSize];
    uint64_t back = 4;
    if (limit <= back) return 0;
    while (back < limit) {
        back = std::min<uint64_t>(back + kEndRecordWindowStep, limit);
        const uint64_t start = length - back;
        const uint32_t size = static_cast<uint32_t>(std::min<uint64_t>(kEndRecordWindowSize, back));
        if (!source.ReadAt(start, window, size)) return 0;
        for (uint32_t offset = size - 4 + 1; offset-- > 0;) {
            if (ReadU32(window + offset) == kEndRecordSignature) {
                const uint64_t position = start + offset;
                if (position != 0) return position;
                break;  // the only earlier place is the file start, which does not count
            }
        }
    }
    return 0;
}

bool ReadEndRecord(ByteSource& source, uint64_t position, EndRecord* record) {
    uint8_t raw[kEndRecordSize];
    EndOfCentralDirectory fields;
    if (position == 0 || !source.ReadAt(position, raw, kEndRecordSize)) return false;
    if (!Decode(raw, fields)) return false;
    switch (ReadZip64EndRecord(source, position, record)) {
        case Zip64Outcome::Read:
            record->commentLength = fields.commentLength;
            return true;
        case Zip64Outcome::Refused:
            if (HoldsZip64Marker(fields)) return false;
            break;
        case Zip64Outcome::Absent:
            break;
    }
    *record = EndRecord();
    if (fields.thisDisk != 0 || fields.centralDirectoryDisk != 0 ||
        fields.entriesOnThisDisk != fields.entriesTotal) {
        return false;
    }
    const uint64_t directoryEnd =
        uint64_t{fields.centralDirectoryOffset} + fields.centralDirectorySize;
    if (position < directoryEnd) return false;
    record->position = position;
    record->entryCount = fields.entriesTotal;
    record->commentLength = fields.commentLength;
    record->directorySize = fields.centralDirectorySize;
    record->directoryOffset = fields.centralDirectoryOffset;
    record->prefixLength = position - directoryEnd;
    return true;
}

bool SettleEntryCount(ByteSource& source, EndRecord* record) {
    const uint64_t end = record->directoryOffset + record->directorySize;
    uint64_t position = record->directoryOffset;
    int64_t found = 0;
    uint8_t raw[kCentralHeaderSize];
    CentralFileHeader header;
    while (position + kCentralHeaderSize <= end &&
           source.ReadAt(record->prefixLength + position, raw, kCentralHeaderSize) &&
           Decode(raw, header)) {
        position +=
            kCentralHeaderSize + header.nameLength + header.extraLength + header.commentLength;
        ++found;
    }
    if (found <= record->entryCount) return true;
    if (position != end || found > INT32_MAX) return false;
    record->entryCount = static_cast<int32_t>(found);
    return true;
}

}  // namespace velmor::zip

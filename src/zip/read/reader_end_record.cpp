#include "zip/read/reader_end_record.h"

#include <algorithm>

namespace velmor::zip {

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
    const uint64_t end = uint64_t{record->directoryOffset} + record->directorySize;
    uint64_t position = record->directoryOffset;
    int64_t found = 0;
    uint8_t raw[kCentralHeaderSize];
    CentralFileHeader header;
    while (position + kCentralHeaderSize <= end &&
           source.ReadAt(record->prefixLength + position, raw, kCentralHeaderSize) &&
           Decode(raw, header)) {
        position += kCentralHeaderSize + header.nameLength + header.extraLength + header.commentLength;
        ++found;
    }
    if (found <= record->entryCount) return true;
    if (position != end || found > INT32_MAX) return false;
    record->entryCount = static_cast<int32_t>(found);
    return true;
}

}  // namespace velmor::zip

// Walks the central directory forward, one header at a time, from the first entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/read/reader_byte_source.h"
#include "zip/read/reader_code.h"
#include "zip/read/reader_end_record.h"
#include "zip/format/records.h"

namespace velmor::zip {

// Longest stored entry name the reader accepts, in bytes.
constexpr uint32_t kMaxEntryNameBytes = 259;

// Where the pieces of an entry lie, relative to the archive start, once its local header
// has been checked.
struct LocalHeaderPlacement {
    uint64_t extraPosition = 0;
    uint16_t extraLength = 0;
    uint64_t dataPosition = 0;
};

class CentralDirectoryCursor {
public:
    CentralDirectoryCursor(ByteSource& source, const EndRecord& end);

    ReaderCode First();
    // EndOfList when the current entry is not valid or is the last one; nothing moves then.
    ReaderCode Next();
    // Moves to index (rewinding to the first entry for a lower one). EndOfList when an
    // unreadable header on the way keeps the walk from arriving.
    ReaderCode MoveTo(int32_t index);

    // Reads the current central header again together with its stored name. A name longer
    // than kMaxEntryNameBytes or holding a zero byte is refused as BadArchive: it could
    // only be passed on cut short, as a different name. With extra, the central extra
    // field comes along; one that cannot be read in full is left empty.
    ReaderCode ReadCurrentName(std::string* name, std::vector<uint8_t>* extra = nullptr);
    // Checks the current entry's local header against its central header.
    ReaderCode CheckLocalHeader(LocalHeaderPlacement* placement);

    bool valid() const { return valid_; }
    int32_t index() const { return index_; }
    int32_t entryCount() const { return end_.entryCount; }
    uint64_t prefixLength() const { return end_.prefixLength; }
    const CentralFileHeader& header() const { return header_; }
    ByteSource& source() { return source_; }

private:
    ReaderCode ReadHeaderAt(uint64_t position, CentralFileHeader* header, std::string* name,
                            std::vector<uint8_t>* extra = nullptr);
    ReaderCode Step(uint64_t position);

    ByteSource& source_;
    EndRecord end_;
    int32_t index_ = 0;
    uint64_t position_ = 0;  // of the current central header, relative to the archive start
    bool valid_ = false;
    CentralFileHeader header_;
};

}  // namespace velmor::zip

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

// An entry's sizes and local header offset, taken from its Zip64 extra block where the
// central header holds the marker instead. Not known when that block is missing or too
// short, or places the entry beyond the end record: such figures are lies, and sums over
// them could wrap.
struct EntryExtent {
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint64_t localHeaderOffset = 0;
    bool known = false;
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
    // Checks the current entry's local header against its central header: the local
    // sizes, from its own Zip64 block where it holds the marker, must be the central ones.
    // An entry whose extent is not known fails as BadArchive.
    ReaderCode CheckLocalHeader(LocalHeaderPlacement* placement);

    bool valid() const { return valid_; }
    int32_t index() const { return index_; }
    int32_t entryCount() const { return end_.entryCount; }
    const EndRecord& endRecord() const { return end_; }
    uint64_t prefixLength() const { return end_.prefixLength; }
    const CentralFileHeader& header() const { return header_; }
    const EntryExtent& extent() const { return extent_; }
    ByteSource& source() { return source_; }

private:
    ReaderCode ReadHeaderAt(uint64_t position, CentralFileHeader* header, EntryExtent* extent,
                            std::string* name, std::vector<uint8_t>* extra = nullptr);
    EntryExtent ResolveExtent(uint64_t at, const CentralFileHeader& header);
    ReaderCode Step(uint64_t position);

    ByteSource& source_;
    EndRecord end_;
    int32_t index_ = 0;
    uint64_t position_ = 0;  // of the current central header, relative to the archive start
    bool valid_ = false;
    CentralFileHeader header_;
    EntryExtent extent_;
};

}  // namespace velmor::zip

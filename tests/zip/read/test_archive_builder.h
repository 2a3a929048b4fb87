// Builds ZIP archives byte by byte for the reader tests, with every field under control.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmor::zip::test {

struct TestEntry {
    std::string name;
    std::string data;                 // uncompressed content
    uint16_t method = 8;              // 0 stored, 8 deflated (raw, level 8), or any with packed
    std::string packed;               // non-empty: the data as some peer compressed them
    std::string password;             // non-empty: traditional encryption ...
    uint8_t aesStrength = 0;          // ... or with 1, 2, 3: WinZip AES-128/192/256 (AE-1)
    bool dataDescriptor = false;      // flag bit 3: zero CRC and sizes in the local header
    uint16_t moreFlags = 0;           // further flag bits in both headers (0x0800: UTF-8 name)
    uint16_t versionMadeBy = 0x0B17;  // host 11 (NTFS), format 2.3
    uint32_t externalAttributes = 0x20;
    uint32_t dosDateTime = 0x50B16DAB;  // 2020-05-17 13:45:22 local
    std::string localExtra;
    std::string centralExtra;
    std::string comment;
};

struct BuiltArchive {
    std::string bytes;
    std::vector<size_t> localOffsets;    // of each local header
    std::vector<size_t> centralOffsets;  // of each central header
    std::vector<size_t> dataOffsets;     // of each entry's data
    size_t endOffset = 0;                // of the end record
    size_t zip64EndOffset = 0;           // of the Zip64 end record (zip64 only) ...
    size_t zip64LocatorOffset = 0;       // ... and of its locator
};

// Local headers with data, the central directory, then the end record and comment. With
// zip64, as writers that use Zip64 by habit make them: every size and offset in Zip64
// blocks (the 32-bit fields hold the marker; the central block first in the central extra
// field, the local one with both sizes first in the local extra field), 24-byte data
// descriptors, and the Zip64 end record and locator before an end record whose count,
// size and offset hold the marker.
BuiltArchive BuildArchive(const std::vector<TestEntry>& entries, const std::string& comment = "",
                          bool zip64 = false);

// An extended-timestamp block with the given flags and times (only the flagged ones).
std::string TimestampBlock(uint8_t flags, int32_t modification, int32_t access, int32_t creation);
// Any other extra block.
std::string ExtraBlock(uint16_t id, const std::string& data);

std::string RawDeflate(const std::string& data, int level = 8);

void PutU16(std::string& bytes, size_t at, uint16_t value);
void PutU32(std::string& bytes, size_t at, uint32_t value);
void PutU64(std::string& bytes, size_t at, uint64_t value);
uint32_t GetU32(const std::string& bytes, size_t at);

}  // namespace velmor::zip::test

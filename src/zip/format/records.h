// ZIP record layouts (one disk, no Zip64), MS-DOS date and time, and the
// extended-timestamp extra block. All multi-byte fields are little-endian.
//
// Encode functions append the fixed part of a record (without name/extra/comment)
// to a byte vector; Decode functions read it from exactly k...Size bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmor::zip {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50u;     // "PK\3\4"
constexpr uint32_t kCentralHeaderSignature = 0x02014b50u;   // "PK\1\2"
constexpr uint32_t kEndRecordSignature = 0x06054b50u;       // "PK\5\6"
constexpr uint32_t kDataDescriptorSignature = 0x08074b50u;  // "PK\7\8"

constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kDataDescriptorSize = 16;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

constexpr uint16_t kFlagEncrypted = 0x0001;         // bit 0: traditional cipher
constexpr uint16_t kFlagUtf8Name = 0x0800;          // bit 11: name (and comment) in UTF-8
constexpr uint16_t kFlagMaxCompression = 0x0002;    // bit 1: deflated at a high level
constexpr uint16_t kFlagDataDescriptor = 0x0008;    // bit 3: CRC and sizes follow the data
constexpr uint16_t kFlagStrongEncryption = 0x0040;  // bit 6: the strong-encryption scheme

constexpr uint16_t kExtendedTimestampId = 0x5455;  // "UT"
constexpr uint8_t kTimestampModification = 0x01;
constexpr uint8_t kTimestampAccess = 0x02;
constexpr uint8_t kTimestampCreation = 0x04;
constexpr size_t kLocalTimestampBlockSize = 17;   // header 4 + flags 1 + three times
constexpr size_t kCentralTimestampBlockSize = 9;  // header 4 + flags 1 + modification time

// Little-endian helpers over raw bytes.
void AppendU16(std::vector<uint8_t>& out, uint16_t value);
void AppendU32(std::vector<uint8_t>& out, uint32_t value);
uint16_t ReadU16(const uint8_t* p);
uint32_t ReadU32(const uint8_t* p);

struct LocalFileHeader {
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t dosDateTime = 0;  // time in the low half, date in the high half
    uint32_t crc32 = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
};

struct CentralFileHeader {
    uint16_t versionMadeBy = 0;
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t dosDateTime = 0;
    uint32_t crc32 = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
    uint16_t commentLength = 0;
    uint16_t diskNumberStart = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    uint32_t localHeaderOffset = 0;
};

struct EndOfCentralDirectory {
    uint16_t thisDisk = 0;
    uint16_t centralDirectoryDisk = 0;
    uint16_t entriesOnThisDisk = 0;
    uint16_t entriesTotal = 0;
    uint32_t centralDirectorySize = 0;
    uint32_t centralDirectoryOffset = 0;
    uint16_t commentLength = 0;
};

struct DataDescriptor {
    uint32_t crc32 = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
};

void Encode(const LocalFileHeader& h, std::vector<uint8_t>& out);
void Encode(const CentralFileHeader& h, std::vector<uint8_t>& out);
void Encode(const EndOfCentralDirectory& r, std::vector<uint8_t>& out);
void Encode(const DataDescriptor& d, std::vector<uint8_t>& out);

// Each returns false when the signature does not match; bytes must hold the record's size.
bool Decode(const uint8_t* bytes, LocalFileHeader& h);
bool Decode(const uint8_t* bytes, CentralFileHeader& h);
bool Decode(const uint8_t* bytes, EndOfCentralDirectory& r);

// ---- Times ----------------------------------------------------------------

constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
constexpr uint64_t kFileTimeTicksPerSecond = 10000000ull;

// Signed 32-bit Unix seconds to a file time: (t + 11,644,473,600) * 10,000,000.
uint64_t UnixTimeToFileTime(int32_t unixTime);
// File time to Unix seconds, truncated toward zero.
int64_t FileTimeToUnixTime(uint64_t fileTime);

uint16_t DosTimeWord(uint32_t dosDateTime);
uint16_t DosDateWord(uint32_t dosDateTime);

// ---- Extended timestamp block ("UT") ----------------------------------------

struct ExtendedTimestamp {
    uint8_t flags = 0;
    int32_t modification = 0;
    int32_t access = 0;
    int32_t creation = 0;
};

// 17 bytes: "UT", data size 13, flags 7, modification, access, creation (low 32 bits each).
void EncodeLocalTimestampBlock(int32_t modification, int32_t access, int32_t creation,
                               std::vector<uint8_t>& out);
// 9 bytes: "UT", data size 5, flags 7, modification only.
void EncodeCentralTimestampBlock(int32_t modification, std::vector<uint8_t>& out);

// Searches an extra field of size bytes for the first "UT" block: from offset 0, while
// block start + 4 < size; other blocks are stepped over by 4 + their data size. The
// present times (flags bits 0, 1, 2 in the order modification, access, creation) are
// taken only where they lie inside both the block and the field. Returns false when no
// block is found.
bool FindExtendedTimestamp(const uint8_t* extra, size_t size, ExtendedTimestamp* out);

}  // namespace velmor::zip

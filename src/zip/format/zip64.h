// The Zip64 extensions of the ZIP format (APPNOTE 4.3.14, 4.3.15, 4.5.3): the Zip64 end of
// central directory record and its locator, the Zip64 extended information extra block
// (0x0001) and the 64-bit data descriptor. A 32-bit field that does not hold its value
// carries the marker 0xFFFFFFFF (16-bit fields: 0xFFFF) and the value moves to these records.
//
// Encode functions append a record to a byte vector; Decode functions read it from exactly
// k...Size bytes and return false when the signature does not match.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmor::zip {

constexpr uint32_t kZip64EndRecordSignature = 0x06064b50u;   // "PK\6\6"
constexpr uint32_t kZip64EndLocatorSignature = 0x07064b50u;  // "PK\6\7"

// The fixed part of the Zip64 end record; its size field counts the bytes after itself
// (the fixed part less 12, plus any extensible data).
constexpr size_t kZip64EndRecordSize = 56;
constexpr uint64_t kZip64EndRecordSizeField = kZip64EndRecordSize - 12;
constexpr size_t kZip64EndLocatorSize = 20;
constexpr size_t kZip64DataDescriptorSize = 24;

constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint32_t kZip64Marker32 = 0xFFFFFFFFu;  // in a 32-bit size or offset field
constexpr uint16_t kZip64Marker16 = 0xFFFF;       // in a 16-bit count or disk field
constexpr uint16_t kZip64VersionNeeded = 45;      // version needed to extract: 4.5

// Largest value each 32-bit field can hold itself; above it (and at the marker) Zip64 takes over.
constexpr uint64_t kZip64Limit32 = 0xFFFFFFFEu;
constexpr uint64_t kZip64LimitEntries = 0xFFFEu;

struct Zip64EndOfCentralDirectory {
    uint64_t recordSize = kZip64EndRecordSizeField;  // bytes after this field
    uint16_t versionMadeBy = 0;
    uint16_t versionNeeded = kZip64VersionNeeded;
    uint32_t thisDisk = 0;
    uint32_t centralDirectoryDisk = 0;
    uint64_t entriesOnThisDisk = 0;
    uint64_t entriesTotal = 0;
    uint64_t centralDirectorySize = 0;
    uint64_t centralDirectoryOffset = 0;
};

struct Zip64EndLocator {
    uint32_t endRecordDisk = 0;
    uint64_t endRecordOffset = 0;  // relative to the archive start
    uint32_t totalDisks = 1;
};

struct Zip64DataDescriptor {
    uint32_t crc32 = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
};

// The Zip64 extra block. Only the fields whose 32-bit counterpart holds the marker are
// present, always in this order; the has... flags say which.
struct Zip64ExtraField {
    bool hasUncompressedSize = false;
    bool hasCompressedSize = false;
    bool hasLocalHeaderOffset = false;
    bool hasDiskStart = false;
    uint64_t uncompressedSize = 0;
    uint64_t compressedSize = 0;
    uint64_t localHeaderOffset = 0;
    uint32_t diskStart = 0;

    // Bytes of the block's data (without its 4-byte header).
    size_t DataSize() const;
};

void AppendU64(std::vector<uint8_t>& out, uint64_t value);
uint64_t ReadU64(const uint8_t* p);

void Encode(const Zip64EndOfCentralDirectory& r, std::vector<uint8_t>& out);
void Encode(const Zip64EndLocator& l, std::vector<uint8_t>& out);
void Encode(const Zip64DataDescriptor& d, std::vector<uint8_t>& out);
// The whole block: ID 0x0001, data size, then the present fields.
void Encode(const Zip64ExtraField& f, std::vector<uint8_t>& out);

bool Decode(const uint8_t* bytes, Zip64EndOfCentralDirectory& r);
bool Decode(const uint8_t* bytes, Zip64EndLocator& l);
bool Decode(const uint8_t* bytes, Zip64DataDescriptor& d);

// Reads the fields that f's has... flags ask for from the first 0x0001 block of an extra
// field, in the block's order. False when there is no such block or it is too short for
// them; a longer block is read from its start.
bool ReadZip64Extra(const uint8_t* extra, size_t size, Zip64ExtraField& f);

}  // namespace velmor::zip

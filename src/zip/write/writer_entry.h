// What the writer keeps about one entry until the central directory is written,
// and the per-entry decisions taken from the name and the source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmor::zip {

constexpr uint16_t kVersionMadeBy = 0x0B17;  // format 2.3, host 11 (NTFS)
constexpr uint16_t kVersionNeeded = 20;
constexpr uint16_t kAesVersionNeeded = 51;  // AES encryption

struct WriterEntry {
    uint16_t centralFlags = 0;
    uint16_t localFlags = 0;
    uint16_t nameFlags = 0;  // kFlagUtf8Name for a name stored as UTF-8, in both flags
    uint16_t method = 0;     // the real method: stored or deflated, for AES entries too
    uint32_t dosDateTime = 0;
    uint32_t crc32 = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint32_t externalAttributes = 0;
    uint64_t localHeaderOffset = 0;
    // The local header carries both sizes in a Zip64 block (and an encrypted entry's data
    // descriptor has 64-bit sizes): decided before the data, from the size at open.
    bool zip64Sizes = false;
    std::vector<uint8_t> localTimestampBlock;    // 17 bytes
    std::vector<uint8_t> centralTimestampBlock;  // 9 bytes
    std::vector<uint8_t> unicodePathBlock;       // empty unless the stored name needs one
    std::vector<uint8_t> aesBlock;  // the 0x9901 block of an AES entry, in both headers; else empty
    bool aesChecksCrc = false;      // an AES entry stores its CRC-32 (AE-1)
    std::string storedName;         // ANSI or UTF-8 bytes, slashes as separators
};

// Stored (0) when the text from the name's last full stop to its end is one of
// .Z .zip .zoo .arc .lzh .arj .gz .tgz (ASCII case ignored); deflated (8) otherwise.
uint16_t MethodForEntryName(const std::wstring& name);

// The general purpose bits 1 and 2 of a deflated entry, as Info-ZIP sets them for the level:
// 0x0004 "fast" for 1 and 2, 0x0002 "maximum" for 8 and 9, none between.
uint16_t DeflateLevelFlags(int level);

// External attributes from the platform's attribute bits: DOS bits (attributes & 0x37),
// the Unix mode "folder" or "file", owner-readable, and owner-writable unless read-only.
uint32_t ExternalAttributesFor(uint32_t fileAttributes);

}  // namespace velmor::zip

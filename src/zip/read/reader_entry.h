// The description of one archive entry, as getItem hands it out.
#pragma once

#include <cstdint>
#include <string>

namespace velmor::zip {

// Windows file attribute bits an entry can carry.
constexpr uint32_t kEntryReadOnly = 0x01;
constexpr uint32_t kEntryHidden = 0x02;
constexpr uint32_t kEntrySystem = 0x04;
constexpr uint32_t kEntryDirectory = 0x10;
constexpr uint32_t kEntryArchive = 0x20;

struct ArchiveEntry {
    int32_t index = 0;  // position in the central directory; for -1: the count
    std::wstring name;  // stored name, decoded (UTF-8 or ANSI code page), separators as stored
    uint32_t attributes = 0;
    uint64_t accessTime = 0;  // file times: 100-ns units since 1601-01-01 UTC
    uint64_t creationTime = 0;
    uint64_t modificationTime = 0;
    uint64_t compressedSize = 0;  // includes the 12-byte encryption header
    uint64_t uncompressedSize = 0;
    uint32_t crc32 = 0;       // as the central header records it (0 for AE-2 entries)
    uint16_t method = 0;      // the compression method; for an AES entry, the real one
    uint16_t flags = 0;       // the central header's general purpose flags
    uint8_t aesStrength = 0;  // 1, 2, 3 for AES-128, -192, -256; 0: not an AES entry
};

}  // namespace velmor::zip

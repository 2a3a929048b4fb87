// What the writer keeps about one entry until the central directory is written,
// and the per-entry decisions taken from the name and the source.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "zip/stored_name.h"

namespace velmor::zip {

constexpr uint16_t kVersionMadeBy = 0x0B17;  // format 2.3, host 11 (NTFS)
constexpr uint16_t kVersionNeeded = 20;
constexpr size_t kMaxEntries = 65535;        // the end record's 16-bit count

struct WriterEntry {
    uint16_t centralFlags = 0;
    uint16_t localFlags = 0;
    uint16_t nameFlags = 0;  // kFlagUtf8Name for a name stored as UTF-8, in both flags
    uint16_t method = 0;
    uint32_t dosDateTime = 0;
    uint32_t crc32 = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint32_t externalAttributes = 0;
    uint32_t localHeaderOffset = 0;
    std::vector<uint8_t> localTimestampBlock;    // 17 bytes
    std::vector<uint8_t> centralTimestampBlock;  // 9 bytes
    std::string storedName;                      // ANSI or UTF-8 bytes, slashes as separators
};

// Stored (0) when the text from the name's last full stop to its end is one of
// .Z .zip .zoo .arc .lzh .arj .gz .tgz (ASCII case ignored); deflated (8) otherwise.
uint16_t MethodForEntryName(const std::wstring& name);

// External attributes: DOS bits (attributes & 0x37), the Unix mode "folder" or
// "file", owner-readable, and owner-writable unless the file is read-only.
uint32_t ExternalAttributesFor(DWORD fileAttributes);

}  // namespace velmor::zip

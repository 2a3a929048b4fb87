// How an entry name is stored and read back. A name that the ANSI code page holds
// exactly is stored in it, as archives always had it; any other name is stored as UTF-8
// and marked with general-purpose flag bit 11.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmor::zip {

// Entry names: at most 259 UTF-16 units, and at most 259 bytes as stored.
constexpr size_t kMaxEntryNameLength = 259;

constexpr uint16_t kUnicodePathExtraId = 0x7075;  // Info-ZIP Unicode Path block
constexpr uint8_t kUnicodePathVersion = 1;

struct StoredName {
    std::string bytes;
    uint16_t flags = 0;  // kFlagUtf8Name when the bytes are UTF-8
};

// False when the name cannot be stored whole: more than kMaxEntryNameLength bytes in
// its stored form, or a surrogate that is not part of a pair.
bool EncodeEntryName(const std::wstring& name, StoredName* stored);

// The name of an entry from its stored bytes, its central version made by, flags and
// extra field: UTF-8 when flag bit 11 is set; otherwise the UTF-8 of an Info-ZIP Unicode
// Path block (version 1) whose CRC-32 is that of the stored bytes; otherwise the code page
// that the writer's host and version (versionMadeBy) stand for:
// - the OEM code page for MS-DOS (host 0) except versions 2.5, 2.6 and 4.0, whose Windows
//   writers stored ANSI; for OS/2 HPFS (host 6); and for NTFS (host 11) version 5.0, the
//   writer of Windows' compressed folders;
// - UTF-8 for Unix (host 3) and OS X (host 19) where the bytes are UTF-8, else ANSI;
// - the ANSI code page for every other writer, this library among them.
// False when the name cannot be read exactly: invalid UTF-8 under bit 11 or in the block, a
// U+0000, more than kMaxEntryNameLength UTF-16 units, or bytes the code page cannot convert.
bool DecodeEntryName(const std::string& bytes, uint16_t versionMadeBy, uint16_t flags,
                     const uint8_t* centralExtra, size_t extraSize, std::wstring* name);

// The same for an entry that this library wrote (version made by 0x0B17: ANSI).
bool DecodeEntryName(const std::string& bytes, uint16_t flags, const uint8_t* centralExtra,
                     size_t extraSize, std::wstring* name);

}  // namespace velmor::zip

// The bytes of the records the writer emits for its entries: local and central headers
// with their extra fields, data descriptors and the end records. A field that its 32-bit
// (or 16-bit) slot cannot hold moves to the Zip64 records, as APPNOTE has it; everything
// else is written exactly as in archives without Zip64.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/write/writer_entry.h"

namespace velmor::zip {

// Largest raw DEFLATE stream zlib makes from size bytes at this writer's settings.
uint64_t DeflatedSizeBound(uint64_t size);

// Whether a local header must carry the Zip64 sizes: when the data of a source of this
// size may not fit 32 bits (stored: the size, deflated: the bound, plus the overhead of the
// encryption: the traditional header, or AES salt, verifier and code).
bool NeedsZip64Sizes(uint16_t method, uint32_t encryptionOverhead, uint64_t sourceSize);

// 51 for an AES entry, else 45 for an entry that has a Zip64 field anywhere, else 20; the
// same in both headers.
uint16_t VersionNeededFor(const WriterEntry& entry);

// The Info-ZIP Unicode Path block (version 1, CRC-32 of the stored bytes, the UTF-8 name)
// for a name stored in the ANSI code page with a byte above 0x7F; empty for every other.
std::vector<uint8_t> UnicodePathBlockFor(const std::string& storedName, uint16_t nameFlags,
                                         const std::wstring& name);

// Local header, stored name and local extra field (timestamp block first), as one piece.
std::vector<uint8_t> LocalHeaderBytes(const WriterEntry& entry);
// Central header, stored name and central extra field.
std::vector<uint8_t> CentralHeaderBytes(const WriterEntry& entry);
// The data descriptor: 64-bit sizes when the local header carries the Zip64 sizes.
std::vector<uint8_t> DataDescriptorBytes(const WriterEntry& entry);
// The end record, preceded by the Zip64 end record and its locator when the count, the
// size or the offset of the central directory does not fit its field.
std::vector<uint8_t> EndRecordsBytes(uint64_t entries, uint64_t centralStart, uint64_t centralSize);

}  // namespace velmor::zip

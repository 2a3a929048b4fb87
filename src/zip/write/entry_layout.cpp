#include "zip/write/entry_layout.h"

#include "zip/format/aes_format.h"
#include "zip/format/crc32.h"
#include "zip/format/records.h"
#include "zip/format/utf8.h"
#include "zip/format/zip64.h"
#include "zip/stored_name.h"

namespace velmor::zip {

namespace {

bool Over32(uint64_t value) { return value > kZip64Limit32; }

// An AES entry names its real method in its 0x9901 block only.
uint16_t HeaderMethod(const WriterEntry& entry) {
    return entry.aesBlock.empty() ? entry.method : kMethodAes;
}

uint32_t Field32(uint64_t value) {
    return Over32(value) ? kZip64Marker32 : static_cast<uint32_t>(value);
}

void AppendBytes(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace

uint64_t DeflatedSizeBound(uint64_t size) {
    // zlib's bound for a 32 KiB window and memory level 8, without wrapper: the stored
    // blocks that incompressible data fall back to, and their block headers.
    return size + (size >> 12) + (size >> 14) + (size >> 25) + 7;
}

bool NeedsZip64Sizes(uint16_t method, uint32_t encryptionOverhead, uint64_t sourceSize) {
    const uint64_t data = method == kMethodStored ? sourceSize : DeflatedSizeBound(sourceSize);
    return Over32(data + encryptionOverhead) || Over32(sourceSize);
}

uint16_t VersionNeededFor(const WriterEntry& entry) {
    const bool zip64 = entry.zip64Sizes || Over32(entry.localHeaderOffset) ||
                       Over32(entry.compressedSize) || Over32(entry.uncompressedSize);
    if (!entry.aesBlock.empty()) return kAesVersionNeeded;
    return zip64 ? kZip64VersionNeeded : kVersionNeeded;
}

std::vector<uint8_t> UnicodePathBlockFor(const std::string& storedName, uint16_t nameFlags,
                                         const std::wstring& name) {
    std::vector<uint8_t> block;
    if (nameFlags & kFlagUtf8Name) return block;
    bool ascii = true;
    for (const char c : storedName) ascii = ascii && static_cast<uint8_t>(c) < 0x80;
    std::string utf8;
    if (ascii || !Utf16ToUtf8(name, &utf8)) return block;
    AppendU16(block, kUnicodePathExtraId);
    AppendU16(block, static_cast<uint16_t>(5 + utf8.size()));
    block.push_back(kUnicodePathVersion);
    AppendU32(block, ComputeCrc32(storedName.data(), storedName.size()));
    block.insert(block.end(), utf8.begin(), utf8.end());
    return block;
}

std::vector<uint8_t> LocalHeaderBytes(const WriterEntry& entry) {
    std::vector<uint8_t> zip64;
    if (entry.zip64Sizes) {
        Zip64ExtraField f;
        f.hasUncompressedSize = f.hasCompressedSize = true;  // both, always, in a local header
        f.uncompressedSize = entry.uncompressedSize;
        f.compressedSize = entry.compressedSize;
        Encode(f, zip64);
    }
    LocalFileHeader h;
    h.versionNeeded = VersionNeededFor(entry);
    h.flags = entry.localFlags;
    h.method = HeaderMethod(entry);
    h.dosDateTime = entry.dosDateTime;
    h.crc32 = entry.crc32;
    h.compressedSize =
        entry.zip64Sizes ? kZip64Marker32 : static_cast<uint32_t>(entry.compressedSize);
    h.uncompressedSize =
        entry.zip64Sizes ? kZip64Marker32 : static_cast<uint32_t>(entry.uncompressedSize);
    h.nameLength = static_cast<uint16_t>(entry.storedName.size());
    h.extraLength = static_cast<uint16_t>(entry.localTimestampBlock.size() + zip64.size() +
                                          entry.unicodePathBlock.size() + entry.aesBlock.size());
    std::vector<uint8_t> bytes;
    bytes.reserve(kLocalHeaderSize + entry.storedName.size() + h.extraLength);
    Encode(h, bytes);
    bytes.insert(bytes.end(), entry.storedName.begin(), entry.storedName.end());
    AppendBytes(bytes, entry.localTimestampBlock);
    AppendBytes(bytes, zip64);
    AppendBytes(bytes, entry.unicodePathBlock);
    AppendBytes(bytes, entry.aesBlock);
    return bytes;
}

std::vector<uint8_t> CentralHeaderBytes(const WriterEntry& entry) {
    Zip64ExtraField f;
    f.hasUncompressedSize = Over32(entry.uncompressedSize);
    f.hasCompressedSize = Over32(entry.compressedSize);
    f.hasLocalHeaderOffset = Over32(entry.localHeaderOffset);
    f.uncompressedSize = entry.uncompressedSize;
    f.compressedSize = entry.compressedSize;
    f.localHeaderOffset = entry.localHeaderOffset;
    std::vector<uint8_t> zip64;
    if (f.DataSize() > 0) Encode(f, zip64);

    CentralFileHeader h;
    h.versionMadeBy = kVersionMadeBy;
    h.versionNeeded = VersionNeededFor(entry);
    h.flags = entry.centralFlags;
    h.method = HeaderMethod(entry);
    h.dosDateTime = entry.dosDateTime;
    h.crc32 = entry.crc32;
    h.compressedSize = Field32(entry.compressedSize);
    h.uncompressedSize = Field32(entry.uncompressedSize);
    h.nameLength = static_cast<uint16_t>(entry.storedName.size());
    h.extraLength = static_cast<uint16_t>(entry.centralTimestampBlock.size() + zip64.size() +
                                          entry.unicodePathBlock.size() + entry.aesBlock.size());
    h.externalAttributes = entry.externalAttributes;
    h.localHeaderOffset = Field32(entry.localHeaderOffset);
    std::vector<uint8_t> bytes;
    bytes.reserve(kCentralHeaderSize + entry.storedName.size() + h.extraLength);
    Encode(h, bytes);
    bytes.insert(bytes.end(), entry.storedName.begin(), entry.storedName.end());
    AppendBytes(bytes, entry.centralTimestampBlock);
    AppendBytes(bytes, zip64);
    AppendBytes(bytes, entry.unicodePathBlock);
    AppendBytes(bytes, entry.aesBlock);
    return bytes;
}

std::vector<uint8_t> DataDescriptorBytes(const WriterEntry& entry) {
    std::vector<uint8_t> bytes;
    if (entry.zip64Sizes) {
        Encode(Zip64DataDescriptor{entry.crc32, entry.compressedSize, entry.uncompressedSize},
               bytes);
    } else {
        Encode(DataDescriptor{entry.crc32, static_cast<uint32_t>(entry.compressedSize),
                              static_cast<uint32_t>(entry.uncompressedSize)},
               bytes);
    }
    return bytes;
}

std::vector<uint8_t> EndRecordsBytes(uint64_t entries, uint64_t centralStart,
                                     uint64_t centralSize) {
    const bool manyEntries = entries > kZip64LimitEntries;
    std::vector<uint8_t> bytes;
    if (manyEntries || Over32(centralStart) || Over32(centralSize)) {
        Zip64EndOfCentralDirectory z;
        z.versionMadeBy = kVersionMadeBy;
        z.entriesOnThisDisk = z.entriesTotal = entries;
        z.centralDirectorySize = centralSize;
        z.centralDirectoryOffset = centralStart;
        Encode(z, bytes);
        Zip64EndLocator locator;
        locator.endRecordOffset = centralStart + centralSize;
        Encode(locator, bytes);
    }
    EndOfCentralDirectory end;
    end.entriesOnThisDisk = end.entriesTotal =
        manyEntries ? kZip64Marker16 : static_cast<uint16_t>(entries);
    end.centralDirectorySize = Field32(centralSize);
    end.centralDirectoryOffset = Field32(centralStart);
    Encode(end, bytes);
    return bytes;
}

}  // namespace velmor::zip

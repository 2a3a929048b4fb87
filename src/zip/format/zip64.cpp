#include "zip/format/zip64.h"

#include "zip/format/extra_field.h"
#include "zip/format/records.h"

namespace velmor::zip {

size_t Zip64ExtraField::DataSize() const {
    return (hasUncompressedSize ? 8 : 0) + (hasCompressedSize ? 8 : 0) +
           (hasLocalHeaderOffset ? 8 : 0) + (hasDiskStart ? 4 : 0);
}

void AppendU64(std::vector<uint8_t>& out, uint64_t value) {
    AppendU32(out, static_cast<uint32_t>(value & 0xFFFFFFFFu));
    AppendU32(out, static_cast<uint32_t>(value >> 32));
}

uint64_t ReadU64(const uint8_t* p) {
    return uint64_t{ReadU32(p)} | (uint64_t{ReadU32(p + 4)} << 32);
}

void Encode(const Zip64EndOfCentralDirectory& r, std::vector<uint8_t>& out) {
    AppendU32(out, kZip64EndRecordSignature);
    AppendU64(out, r.recordSize);
    AppendU16(out, r.versionMadeBy);
    AppendU16(out, r.versionNeeded);
    AppendU32(out, r.thisDisk);
    AppendU32(out, r.centralDirectoryDisk);
    AppendU64(out, r.entriesOnThisDisk);
    AppendU64(out, r.entriesTotal);
    AppendU64(out, r.centralDirectorySize);
    AppendU64(out, r.centralDirectoryOffset);
}

void Encode(const Zip64EndLocator& l, std::vector<uint8_t>& out) {
    AppendU32(out, kZip64EndLocatorSignature);
    AppendU32(out, l.endRecordDisk);
    AppendU64(out, l.endRecordOffset);
    AppendU32(out, l.totalDisks);
}

void Encode(const Zip64DataDescriptor& d, std::vector<uint8_t>& out) {
    AppendU32(out, kDataDescriptorSignature);
    AppendU32(out, d.crc32);
    AppendU64(out, d.compressedSize);
    AppendU64(out, d.uncompressedSize);
}

void Encode(const Zip64ExtraField& f, std::vector<uint8_t>& out) {
    AppendU16(out, kZip64ExtraId);
    AppendU16(out, static_cast<uint16_t>(f.DataSize()));
    if (f.hasUncompressedSize) AppendU64(out, f.uncompressedSize);
    if (f.hasCompressedSize) AppendU64(out, f.compressedSize);
    if (f.hasLocalHeaderOffset) AppendU64(out, f.localHeaderOffset);
    if (f.hasDiskStart) AppendU32(out, f.diskStart);
}

bool Decode(const uint8_t* b, Zip64EndOfCentralDirectory& r) {
    if (ReadU32(b) != kZip64EndRecordSignature) return false;
    r.recordSize = ReadU64(b + 4);
    r.versionMadeBy = ReadU16(b + 12);
    r.versionNeeded = ReadU16(b + 14);
    r.thisDisk = ReadU32(b + 16);
    r.centralDirectoryDisk = ReadU32(b + 20);
    r.entriesOnThisDisk = ReadU64(b + 24);
    r.entriesTotal = ReadU64(b + 32);
    r.centralDirectorySize = ReadU64(b + 40);
    r.centralDirectoryOffset = ReadU64(b + 48);
    return true;
}

bool Decode(const uint8_t* b, Zip64EndLocator& l) {
    if (ReadU32(b) != kZip64EndLocatorSignature) return false;
    l.endRecordDisk = ReadU32(b + 4);
    l.endRecordOffset = ReadU64(b + 8);
    l.totalDisks = ReadU32(b + 16);
    return true;
}

bool Decode(const uint8_t* b, Zip64DataDescriptor& d) {
    if (ReadU32(b) != kDataDescriptorSignature) return false;
    d.crc32 = ReadU32(b + 4);
    d.compressedSize = ReadU64(b + 8);
    d.uncompressedSize = ReadU64(b + 16);
    return true;
}

bool ReadZip64Extra(const uint8_t* extra, size_t size, Zip64ExtraField& f) {
    const uint8_t* data = nullptr;
    size_t dataSize = 0;
    if (!FindExtraBlock(extra, size, kZip64ExtraId, &data, &dataSize)) return false;
    if (dataSize < f.DataSize()) return false;
    if (f.hasUncompressedSize) {
        f.uncompressedSize = ReadU64(data);
        data += 8;
    }
    if (f.hasCompressedSize) {
        f.compressedSize = ReadU64(data);
        data += 8;
    }
    if (f.hasLocalHeaderOffset) {
        f.localHeaderOffset = ReadU64(data);
        data += 8;
    }
    if (f.hasDiskStart) f.diskStart = ReadU32(data);
    return true;
}

}  // namespace velmor::zip

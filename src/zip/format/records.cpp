#include "zip/format/records.h"

#include <algorithm>

namespace velmor::zip {

void AppendU16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
    AppendU16(out, static_cast<uint16_t>(value & 0xFFFF));
    AppendU16(out, static_cast<uint16_t>(value >> 16));
}

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(ReadU16(p)) | (static_cast<uint32_t>(ReadU16(p + 2)) << 16);
}

void Encode(const LocalFileHeader& h, std::vector<uint8_t>& out) {
    AppendU32(out, kLocalHeaderSignature);
    AppendU16(out, h.versionNeeded);
    AppendU16(out, h.flags);
    AppendU16(out, h.method);
    AppendU32(out, h.dosDateTime);
    AppendU32(out, h.crc32);
    AppendU32(out, h.compressedSize);
    AppendU32(out, h.uncompressedSize);
    AppendU16(out, h.nameLength);
    AppendU16(out, h.extraLength);
}

void Encode(const CentralFileHeader& h, std::vector<uint8_t>& out) {
    AppendU32(out, kCentralHeaderSignature);
    AppendU16(out, h.versionMadeBy);
    AppendU16(out, h.versionNeeded);
    AppendU16(out, h.flags);
    AppendU16(out, h.method);
    AppendU32(out, h.dosDateTime);
    AppendU32(out, h.crc32);
    AppendU32(out, h.compressedSize);
    AppendU32(out, h.uncompressedSize);
    AppendU16(out, h.nameLength);
    AppendU16(out, h.extraLength);
    AppendU16(out, h.commentLength);
    AppendU16(out, h.diskNumberStart);
    AppendU16(out, h.internalAttributes);
    AppendU32(out, h.externalAttributes);
    AppendU32(out, h.localHeaderOffset);
}

void Encode(const EndOfCentralDirectory& r, std::vector<uint8_t>& out) {
    AppendU32(out, kEndRecordSignature);
    AppendU16(out, r.thisDisk);
    AppendU16(out, r.centralDirectoryDisk);
    AppendU16(out, r.entriesOnThisDisk);
    AppendU16(out, r.entriesTotal);
    AppendU32(out, r.centralDirectorySize);
    AppendU32(out, r.centralDirectoryOffset);
    AppendU16(out, r.commentLength);
}

void Encode(const DataDescriptor& d, std::vector<uint8_t>& out) {
    AppendU32(out, kDataDescriptorSignature);
    AppendU32(out, d.crc32);
    AppendU32(out, d.compressedSize);
    AppendU32(out, d.uncompressedSize);
}

bool Decode(const uint8_t* b, LocalFileHeader& h) {
    if (ReadU32(b) != kLocalHeaderSignature) return false;
    h.versionNeeded = ReadU16(b + 4);
    h.flags = ReadU16(b + 6);
    h.method = ReadU16(b + 8);
    h.dosDateTime = ReadU32(b + 10);
    h.crc32 = ReadU32(b + 14);
    h.compressedSize = ReadU32(b + 18);
    h.uncompressedSize = ReadU32(b + 22);
    h.nameLength = ReadU16(b + 26);
    h.extraLength = ReadU16(b + 28);
    return true;
}

bool Decode(const uint8_t* b, CentralFileHeader& h) {
    if (ReadU32(b) != kCentralHeaderSignature) return false;
    h.versionMadeBy = ReadU16(b + 4);
    h.versionNeeded = ReadU16(b + 6);
    h.flags = ReadU16(b + 8);
    h.method = ReadU16(b + 10);
    h.dosDateTime = ReadU32(b + 12);
    h.crc32 = ReadU32(b + 16);
    h.compressedSize = ReadU32(b + 20);
    h.uncompressedSize = ReadU32(b + 24);
    h.nameLength = ReadU16(b + 28);
    h.extraLength = ReadU16(b + 30);
    h.commentLength = ReadU16(b + 32);
    h.diskNumberStart = ReadU16(b + 34);
    h.internalAttributes = ReadU16(b + 36);
    h.externalAttributes = ReadU32(b + 38);
    h.localHeaderOffset = ReadU32(b + 42);
    return true;
}

bool Decode(const uint8_t* b, EndOfCentralDirectory& r) {
    if (ReadU32(b) != kEndRecordSignature) return false;
    r.thisDisk = ReadU16(b + 4);
    r.centralDirectoryDisk = ReadU16(b + 6);
    r.entriesOnThisDisk = ReadU16(b + 8);
    r.entriesTotal = ReadU16(b + 10);
    r.centralDirectorySize = ReadU32(b + 12);
    r.centralDirectoryOffset = ReadU32(b + 16);
    r.commentLength = ReadU16(b + 20);
    return true;
}

uint64_t UnixTimeToFileTime(int32_t unixTime) {
    const int64_t seconds = static_cast<int64_t>(unixTime) + 11644473600LL;
    return static_cast<uint64_t>(seconds) * kFileTimeTicksPerSecond;
}

int64_t FileTimeToUnixTime(uint64_t fileTime) {
    const int64_t ticks =
        static_cast<int64_t>(fileTime) - static_cast<int64_t>(kUnixEpochAsFileTime);
    return ticks / static_cast<int64_t>(kFileTimeTicksPerSecond);  // C++ truncates toward zero
}

uint16_t DosTimeWord(uint32_t dosDateTime) { return static_cast<uint16_t>(dosDateTime & 0xFFFF); }
uint16_t DosDateWord(uint32_t dosDateTime) { return static_cast<uint16_t>(dosDateTime >> 16); }

void EncodeLocalTimestampBlock(int32_t modification, int32_t access, int32_t creation,
                               std::vector<uint8_t>& out) {
    AppendU16(out, kExtendedTimestampId);
    AppendU16(out, 13);
    out.push_back(kTimestampModification | kTimestampAccess | kTimestampCreation);
    AppendU32(out, static_cast<uint32_t>(modification));
    AppendU32(out, static_cast<uint32_t>(access));
    AppendU32(out, static_cast<uint32_t>(creation));
}

void EncodeCentralTimestampBlock(int32_t modification, std::vector<uint8_t>& out) {
    AppendU16(out, kExtendedTimestampId);
    AppendU16(out, 5);
    out.push_back(kTimestampModification | kTimestampAccess | kTimestampCreation);
    AppendU32(out, static_cast<uint32_t>(modification));
}

bool FindExtendedTimestamp(const uint8_t* extra, size_t size, ExtendedTimestamp* out) {
    size_t start = 0;
    while (start + 4 < size) {
        const uint16_t id = ReadU16(extra + start);
        const size_t dataSize = ReadU16(extra + start + 2);
        if (id == kExtendedTimestampId) {
            ExtendedTimestamp ts;
            const size_t dataEnd = std::min(size, start + 4 + dataSize);
            size_t pos = start + 4;
            ts.flags = extra[pos++];
            int32_t* slots[3] = {&ts.modification, &ts.access, &ts.creation};
            uint8_t present = 0;
            for (int bit = 0; bit < 3; ++bit) {
                if (!(ts.flags & (1u << bit))) continue;
                if (pos + 4 > dataEnd) break;
                *slots[bit] = static_cast<int32_t>(ReadU32(extra + pos));
                present |= static_cast<uint8_t>(1u << bit);
                pos += 4;
            }
            ts.flags = present;
            *out = ts;
            return true;
        }
        start += 4 + dataSize;
    }
    return false;
}

}  // namespace velmor::zip

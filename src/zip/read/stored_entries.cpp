#include "zip/read/stored_entries.h"

#include <algorithm>

#include "zip/format/extra_field.h"
#include "zip/format/records.h"
#include "zip/format/zip64.h"

namespace velmor::zip {

namespace {

// Offsets of the fields of a central header.
constexpr size_t kVersionNeededAt = 6;
constexpr size_t kCompressedSizeAt = 20;
constexpr size_t kUncompressedSizeAt = 24;
constexpr size_t kNameLengthAt = 28;
constexpr size_t kExtraLengthAt = 30;
constexpr size_t kLocalHeaderOffsetAt = 42;

void PutU16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

void PutU64(uint8_t* p, uint64_t value) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Bytes in front of the offset in the Zip64 block: the sizes whose fields hold the marker.
size_t Zip64OffsetPosition(const uint8_t* header) {
    size_t position = 0;
    if (ReadU32(header + kUncompressedSizeAt) == kZip64Marker32) position += 8;
    if (ReadU32(header + kCompressedSizeAt) == kZip64Marker32) position += 8;
    return position;
}

// The Zip64 block of a header: where its data starts in the header and how long it is.
bool FindZip64Block(const std::vector<uint8_t>& header, size_t* dataAt, size_t* dataSize) {
    const size_t extraAt = kCentralHeaderSize + ReadU16(header.data() + kNameLengthAt);
    const size_t extraLength = ReadU16(header.data() + kExtraLengthAt);
    const uint8_t* data = nullptr;
    if (!FindExtraBlock(header.data() + extraAt, extraLength, kZip64ExtraId, &data, dataSize)) {
        return false;
    }
    *dataAt = static_cast<size_t>(data - header.data());
    return true;
}

}  // namespace

bool RelocateCentralHeader(std::vector<uint8_t>& header, uint64_t offset) {
    if (header.size() < kCentralHeaderSize) return false;
    uint8_t* fixed = header.data();
    const bool marked = ReadU32(fixed + kLocalHeaderOffsetAt) == kZip64Marker32;
    if (!marked && offset <= kZip64Limit32) {
        const uint32_t value = static_cast<uint32_t>(offset);
        for (int i = 0; i < 4; ++i)
            fixed[kLocalHeaderOffsetAt + i] = static_cast<uint8_t>(value >> (8 * i));
        return true;
    }
    const size_t position = Zip64OffsetPosition(fixed);
    size_t dataAt = 0;
    size_t dataSize = 0;
    const bool hasBlock = FindZip64Block(header, &dataAt, &dataSize);
    if (marked) {
        if (!hasBlock || dataSize < position + 8) return false;
        PutU64(header.data() + dataAt + position, offset);
        return true;
    }
    // The offset moves to the Zip64 block: into the existing one behind the sizes, or a new one.
    const size_t extraLength = ReadU16(fixed + kExtraLengthAt);
    if (extraLength + (hasBlock ? 8 : 12) > 0xFFFF) return false;
    uint8_t field[8];
    PutU64(field, offset);
    if (hasBlock) {
        if (dataSize < position) return false;
        header.insert(header.begin() + static_cast<std::ptrdiff_t>(dataAt + position), field,
                      field + 8);
        PutU16(header.data() + dataAt - 2, static_cast<uint16_t>(dataSize + 8));
        PutU16(header.data() + kExtraLengthAt, static_cast<uint16_t>(extraLength + 8));
    } else {
        const size_t extraEnd =
            kCentralHeaderSize + ReadU16(header.data() + kNameLengthAt) + extraLength;
        std::vector<uint8_t> block;
        AppendU16(block, kZip64ExtraId);
        AppendU16(block, 8);
        block.insert(block.end(), field, field + 8);
        header.insert(header.begin() + static_cast<std::ptrdiff_t>(extraEnd), block.begin(),
                      block.end());
        PutU16(header.data() + kExtraLengthAt, static_cast<uint16_t>(extraLength + 12));
    }
    fixed = header.data();
    for (int i = 0; i < 4; ++i) fixed[kLocalHeaderOffsetAt + i] = 0xFF;
    if (ReadU16(fixed + kVersionNeededAt) < kZip64VersionNeeded) {
        PutU16(fixed + kVersionNeededAt, kZip64VersionNeeded);
    }
    return true;
}

bool ReadStoredEntries(ByteSource& source, const EndRecord& end, StoredArchive* archive) {
    archive->prefixLength = end.prefixLength;
    archive->entries.clear();
    archive->comment.assign(end.commentLength, '\0');
    if (end.commentLength > 0 &&
        !source.ReadAt(end.position + kEndRecordSize, &archive->comment[0], end.commentLength)) {
        return false;
    }
    const uint64_t directoryStart = end.prefixLength + end.directoryOffset;
    uint64_t position = directoryStart;
    for (int32_t i = 0; i < end.entryCount; ++i) {
        uint8_t fixed[kCentralHeaderSize];
        CentralFileHeader decoded;
        if (!source.ReadAt(position, fixed, kCentralHeaderSize) || !Decode(fixed, decoded)) {
            return false;
        }
        StoredEntry entry;
        const size_t length =
            kCentralHeaderSize + decoded.nameLength + decoded.extraLength + decoded.commentLength;
        entry.centralHeader.resize(length);
        if (!source.ReadAt(position, entry.centralHeader.data(), static_cast<uint32_t>(length))) {
            return false;
        }
        uint64_t offset = decoded.localHeaderOffset;
        if (decoded.localHeaderOffset == kZip64Marker32) {
            size_t dataAt = 0;
            size_t dataSize = 0;
            const size_t at = Zip64OffsetPosition(entry.centralHeader.data());
            if (!FindZip64Block(entry.centralHeader, &dataAt, &dataSize) || dataSize < at + 8) {
                return false;
            }
            offset = ReadU64(entry.centralHeader.data() + dataAt + at);
        }
        if (offset >= end.directoryOffset) return false;
        entry.spanStart = end.prefixLength + offset;
        archive->entries.push_back(std::move(entry));
        position += length;
    }
    // Each span runs to the next local header in file order, the last to the directory.
    std::vector<StoredEntry*> byPlace;
    for (StoredEntry& entry : archive->entries) byPlace.push_back(&entry);
    std::sort(byPlace.begin(), byPlace.end(), [](const StoredEntry* a, const StoredEntry* b) {
        return a->spanStart < b->spanStart;
    });
    for (size_t i = 0; i < byPlace.size(); ++i) {
        byPlace[i]->spanEnd = i + 1 < byPlace.size() ? byPlace[i + 1]->spanStart : directoryStart;
        if (byPlace[i]->spanEnd <= byPlace[i]->spanStart) return false;
    }
    return true;
}

}  // namespace velmor::zip

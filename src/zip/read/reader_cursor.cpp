#include "zip/read/reader_cursor.h"

#include <algorithm>

#include "zip/format/aes_format.h"
#include "zip/format/zip64.h"

namespace velmor::zip {

CentralDirectoryCursor::CentralDirectoryCursor(ByteSource& source, const EndRecord& end)
    : source_(source), end_(end) {}

ReaderCode CentralDirectoryCursor::Step(uint64_t position) {
    position_ = position;
    CentralFileHeader header;
    EntryExtent extent;
    const ReaderCode code = ReadHeaderAt(position_, &header, &extent, nullptr);
    valid_ = code == ReaderCode::ReaderOk;
    if (valid_) {
        header_ = header;
        extent_ = extent;
    }
    return code;
}

ReaderCode CentralDirectoryCursor::First() {
    index_ = 0;
    return Step(end_.directoryOffset);
}

ReaderCode CentralDirectoryCursor::Next() {
    if (!valid_ || index_ + 1 >= end_.entryCount) return ReaderCode::EndOfList;
    ++index_;
    return Step(position_ + kCentralHeaderSize + header_.nameLength + header_.extraLength +
                header_.commentLength);
}

ReaderCode CentralDirectoryCursor::MoveTo(int32_t index) {
    if (index < 0 || index >= end_.entryCount) return ReaderCode::EndOfList;
    if (index < index_) First();
    while (index_ < index) {
        if (Next() != ReaderCode::ReaderOk) return ReaderCode::EndOfList;
    }
    return valid_ ? ReaderCode::ReaderOk : ReaderCode::EndOfList;
}

ReaderCode CentralDirectoryCursor::ReadCurrentName(std::string* name, std::vector<uint8_t>* extra) {
    if (!valid_) return ReaderCode::NoCurrentEntry;
    CentralFileHeader header;
    EntryExtent extent;
    const ReaderCode code = ReadHeaderAt(position_, &header, &extent, name, extra);
    if (code != ReaderCode::ReaderOk) {
        valid_ = false;
        return code;
    }
    header_ = header;
    extent_ = extent;
    return code;
}

EntryExtent CentralDirectoryCursor::ResolveExtent(uint64_t at, const CentralFileHeader& header) {
    Zip64ExtraField wide;
    wide.hasUncompressedSize = header.uncompressedSize == kZip64Marker32;
    wide.hasCompressedSize = header.compressedSize == kZip64Marker32;
    wide.hasLocalHeaderOffset = header.localHeaderOffset == kZip64Marker32;
    EntryExtent extent;
    extent.compressedSize = header.compressedSize;
    extent.uncompressedSize = header.uncompressedSize;
    extent.localHeaderOffset = header.localHeaderOffset;
    extent.known = true;
    if (wide.DataSize() == 0) return extent;

    extent.known = false;
    std::vector<uint8_t> extra(header.extraLength);
    if (extra.empty() ||
        !source_.ReadAt(at + kCentralHeaderSize + header.nameLength, extra.data(),
                        header.extraLength) ||
        !ReadZip64Extra(extra.data(), extra.size(), wide)) {
        return extent;
    }
    if (wide.hasUncompressedSize) extent.uncompressedSize = wide.uncompressedSize;
    if (wide.hasCompressedSize) extent.compressedSize = wide.compressedSize;
    if (wide.hasLocalHeaderOffset) extent.localHeaderOffset = wide.localHeaderOffset;
    // Neither the entry's data nor its local header can lie past the end record.
    const uint64_t end = end_.position;
    extent.known =
        extent.compressedSize <= end && extent.localHeaderOffset <= end - end_.prefixLength;
    return extent;
}

ReaderCode CentralDirectoryCursor::ReadHeaderAt(uint64_t position, CentralFileHeader* header,
                                                EntryExtent* extent, std::string* name,
                                                std::vector<uint8_t>* extra) {
    if (!source_.IsSeekable()) return ReaderCode::IoError;
    uint8_t raw[kCentralHeaderSize];
    const uint64_t at = end_.prefixLength + position;
    if (!source_.ReadAt(at, raw, 4)) return ReaderCode::IoError;
    if (ReadU32(raw) != kCentralHeaderSignature) return ReaderCode::BadArchive;
    if (!source_.ReadAt(at, raw, kCentralHeaderSize)) return ReaderCode::IoError;
    Decode(raw, *header);
    *extent = ResolveExtent(at, *header);
    if (name == nullptr) return ReaderCode::ReaderOk;

    if (header->nameLength > kMaxEntryNameBytes) return ReaderCode::BadArchive;
    const uint16_t length = header->nameLength;
    // Name and extra field lie back to back and come in one read; an extra field that
    // cannot be read is only missed, never a reason to refuse the entry.
    std::vector<char> buffer(length + (extra ? header->extraLength : 0));
    if (extra) extra->clear();
    if (buffer.size() > length && !source_.ReadAt(at + kCentralHeaderSize, buffer.data(),
                                                  static_cast<uint32_t>(buffer.size()))) {
        buffer.resize(length);
    }
    if (buffer.size() == length && length > 0 &&
        !source_.ReadAt(at + kCentralHeaderSize, buffer.data(), length)) {
        return ReaderCode::IoError;
    }
    if (std::find(buffer.begin(), buffer.begin() + length, '\0') != buffer.begin() + length) {
        return ReaderCode::BadArchive;
    }
    name->assign(buffer.data(), length);
    if (extra) extra->assign(buffer.begin() + length, buffer.end());
    return ReaderCode::ReaderOk;
}

ReaderCode CentralDirectoryCursor::CheckLocalHeader(LocalHeaderPlacement* placement) {
    if (!valid_) return ReaderCode::NoCurrentEntry;
    if (!extent_.known) return ReaderCode::BadArchive;
    if (!source_.IsSeekable()) return ReaderCode::IoError;
    const uint64_t at = end_.prefixLength + extent_.localHeaderOffset;
    uint8_t raw[kLocalHeaderSize];
    if (!source_.ReadAt(at, raw, 4)) return ReaderCode::IoError;
    if (ReadU32(raw) != kLocalHeaderSignature) return ReaderCode::BadArchive;
    if (!source_.ReadAt(at, raw, kLocalHeaderSize)) return ReaderCode::IoError;
    LocalFileHeader local;
    Decode(raw, local);
    // Any method is described; whether its data can be read is the entry stream's matter.
    if (local.method != header_.method) return ReaderCode::BadArchive;
    // The strong-encryption scheme is not read: such an entry is unsupported, not a
    // matter of the password.
    if (header_.flags & kFlagStrongEncryption) return ReaderCode::BadArchive;
    if (local.nameLength != header_.nameLength) return ReaderCode::BadArchive;
    if ((local.flags & kFlagDataDescriptor) == 0) {
        Zip64ExtraField sizes;
        sizes.hasUncompressedSize = local.uncompressedSize == kZip64Marker32;
        sizes.hasCompressedSize = local.compressedSize == kZip64Marker32;
        sizes.uncompressedSize = local.uncompressedSize;
        sizes.compressedSize = local.compressedSize;
        if (sizes.DataSize() > 0) {
            std::vector<uint8_t> extra(local.extraLength);
            if (extra.empty() ||
                !source_.ReadAt(at + kLocalHeaderSize + local.nameLength, extra.data(),
                                local.extraLength) ||
                !ReadZip64Extra(extra.data(), extra.size(), sizes)) {
                return ReaderCode::BadArchive;
            }
        }
        if (local.crc32 != header_.crc32 || sizes.compressedSize != extent_.compressedSize ||
            sizes.uncompressedSize != extent_.uncompressedSize) {
            return ReaderCode::BadArchive;
        }
    }
    placement->extraPosition = extent_.localHeaderOffset + kLocalHeaderSize + header_.nameLength;
    placement->extraLength = local.extraLength;
    placement->dataPosition = placement->extraPosition + local.extraLength;
    return ReaderCode::ReaderOk;
}

}  // namespace velmor::zip

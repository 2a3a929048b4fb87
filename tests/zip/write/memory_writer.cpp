#include "memory_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "zip/format/records.h"
#include "zip/format/utf8.h"
#include "zip/format/zip64.h"

namespace velmor::zip::test {

namespace {

class MemorySource final : public EntrySource {
public:
    explicit MemorySource(const MemorySourceSpec& spec) : spec_(spec) {}
    uint32_t Read(void* buffer, uint32_t size) override {
        const uint64_t total = spec_.zeros ? spec_.zeros : spec_.bytes.size();
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(size, total - at_));
        if (spec_.zeros) {
            std::memset(buffer, 0, n);
        } else if (n > 0) {
            std::memcpy(buffer, spec_.bytes.data() + at_, n);
        }
        at_ += n;
        return n;
    }

private:
    const MemorySourceSpec& spec_;
    uint64_t at_ = 0;
};

}  // namespace

bool MemoryPlatform::EncodeName(const std::wstring& name, StoredName* stored) {
    StoredName out;
    if (std::all_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x100; })) {
        for (wchar_t c : name) out.bytes.push_back(static_cast<char>(c));
    } else {
        if (!Utf16ToUtf8(name, &out.bytes)) return false;
        out.flags = kFlagUtf8Name;
    }
    if (out.bytes.size() > kMaxEntryNameLength) return false;
    *stored = std::move(out);
    return true;
}

std::unique_ptr<EntrySource> MemoryPlatform::OpenSource(const std::wstring& path, SourceDescription* d) {
    const auto it = sources_.find(path);
    if (it == sources_.end() || it->second.missing) return nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++opens_;
    }
    const MemorySourceSpec& spec = it->second;
    d->size = spec.claimedSize != ~0ull ? spec.claimedSize : spec.zeros ? spec.zeros : spec.bytes.size();
    d->attributes = 0x20;
    d->dosDateTime = 0x52A43000u + static_cast<uint32_t>(path.size());
    d->modification = 1614834368;
    d->access = 1614900000;
    d->creation = 1600000000;
    return std::make_unique<MemorySource>(spec);
}

bool MemoryPlatform::FillRandom(uint8_t* out, size_t size) {
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(i * 37 + 11);
    return true;
}

int MemoryPlatform::opens() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opens_;
}

void MemoryArchive::Put(uint64_t offset, const uint8_t* data, uint32_t size) {
    static const uint8_t kZeros[16384] = {};
    const bool zeros = size == sizeof kZeros && std::memcmp(data, kZeros, size) == 0;
    if (!zeros) pieces_[offset] = std::vector<uint8_t>(data, data + size);
    end_ = std::max(end_, offset + size);
}

std::vector<uint8_t> MemoryArchive::Bytes(uint64_t offset, size_t size) const {
    std::vector<uint8_t> out;
    uint64_t at = offset;
    while (out.size() < size) {
        auto it = pieces_.upper_bound(at);
        if (it == pieces_.begin()) break;
        --it;
        const uint64_t inPiece = at - it->first;
        if (inPiece >= it->second.size()) break;
        const size_t n = std::min<size_t>(size - out.size(), it->second.size() - inPiece);
        out.insert(out.end(), it->second.begin() + static_cast<long>(inPiece),
                   it->second.begin() + static_cast<long>(inPiece + n));
        at += n;
    }
    EXPECT_EQ(out.size(), size) << "no bytes written at " << at;
    out.resize(size);
    return out;
}

Zip64Archive ReadCentral(const MemoryArchive& out) {
    Zip64Archive archive;
    const uint64_t endAt = out.end() - kEndRecordSize;
    EndOfCentralDirectory end;
    const auto endBytes = out.Bytes(endAt, kEndRecordSize);
    EXPECT_TRUE(Decode(endBytes.data(), end));
    archive.endEntries = end.entriesTotal;
    archive.entries = end.entriesTotal;
    uint64_t start = end.centralDirectoryOffset;
    uint64_t size = end.centralDirectorySize;
    if (endAt >= kZip64EndLocatorSize) {
        Zip64EndLocator locator;
        const auto lb = out.Bytes(endAt - kZip64EndLocatorSize, kZip64EndLocatorSize);
        if (Decode(lb.data(), locator)) {
            archive.zip64End = true;
            EXPECT_EQ(locator.endRecordOffset + kZip64EndRecordSize, endAt - kZip64EndLocatorSize);
            Zip64EndOfCentralDirectory z;
            EXPECT_TRUE(Decode(out.Bytes(locator.endRecordOffset, kZip64EndRecordSize).data(), z));
            EXPECT_EQ(z.entriesOnThisDisk, z.entriesTotal);
            archive.entries = z.entriesTotal;
            start = z.centralDirectoryOffset;
            size = z.centralDirectorySize;
            EXPECT_EQ(start + size, locator.endRecordOffset);
        }
    }
    uint64_t at = start;
    for (uint64_t i = 0; i < archive.entries; ++i) {
        CentralFileHeader h;
        EXPECT_TRUE(Decode(out.Bytes(at, kCentralHeaderSize).data(), h)) << "entry " << i;
        Zip64Central c;
        const auto tail = out.Bytes(at + kCentralHeaderSize, h.nameLength + h.extraLength);
        c.name.assign(tail.begin(), tail.begin() + h.nameLength);
        c.extra.assign(tail.begin() + h.nameLength, tail.end());
        Zip64ExtraField f;
        f.hasUncompressedSize = h.uncompressedSize == kZip64Marker32;
        f.hasCompressedSize = h.compressedSize == kZip64Marker32;
        f.hasLocalHeaderOffset = h.localHeaderOffset == kZip64Marker32;
        if (f.DataSize() > 0) EXPECT_TRUE(ReadZip64Extra(c.extra.data(), c.extra.size(), f));
        c.extraFields = (f.hasUncompressedSize ? 1 : 0) | (f.hasCompressedSize ? 2 : 0) |
                        (f.hasLocalHeaderOffset ? 4 : 0);
        c.uncompressedSize = f.hasUncompressedSize ? f.uncompressedSize : h.uncompressedSize;
        c.compressedSize = f.hasCompressedSize ? f.compressedSize : h.compressedSize;
        c.localHeaderOffset = f.hasLocalHeaderOffset ? f.localHeaderOffset : h.localHeaderOffset;
        c.versionNeeded = h.versionNeeded;
        archive.central.push_back(std::move(c));
        at += kCentralHeaderSize + h.nameLength + h.extraLength + h.commentLength;
    }
    EXPECT_EQ(at, start + size);
    return archive;
}

}  // namespace velmor::zip::test

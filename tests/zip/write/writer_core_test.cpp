// The writer's records where sizes, offsets and counts outgrow 32 bits, and the Unicode
// Path block of 8-bit names, over memory sources (many GiB of zeros are never held).
#include <gtest/gtest.h>

#include "memory_writer.h"
#include "zip/format/crc32.h"
#include "zip/format/extra_field.h"
#include "zip/format/records.h"
#include "zip/format/zip64.h"
#include "zip/write/writer.h"

namespace velmor::zip {
namespace {

using test::MemoryOutput;
using test::MemoryPlatform;
using test::MemorySourceSpec;

constexpr uint64_t kGiB = 1ull << 30;

struct LocalView {
    LocalFileHeader header;
    std::vector<uint8_t> extra;
};

LocalView ReadLocal(const test::MemoryArchive& out, uint64_t offset) {
    LocalView v;
    EXPECT_TRUE(Decode(out.Bytes(offset, kLocalHeaderSize).data(), v.header));
    v.extra = out.Bytes(offset + kLocalHeaderSize + v.header.nameLength, v.header.extraLength);
    return v;
}

TEST(ZipWriterCore, Zip64FieldsOnlyWhereAFieldOverflows) {
    struct Case {
        const char* what;
        const wchar_t* name;
        MemorySourceSpec source;
        const char* password;
        ArchiveStatus status;
        bool localZip64;
        uint16_t centralFields;  // 1 size, 2 compressed size, 4 offset (of the entry after)
    };
    const std::vector<uint8_t> abc = {'a', 'b', 'c'};
    const Case cases[] = {
        {"size at open near 4 GiB, deflated", L"near.txt", {abc, 0, 0xFFFFFFFFull - 2000}, "", ArchiveStatus::Ok,
         true, 0},
        {"the same, encrypted", L"near.txt", {abc, 0, 0xFFFFFFFFull - 2000}, "pw", ArchiveStatus::Ok, true, 0},
        {"deflate bound still below 4 GiB", L"below.txt", {abc, 0, 0xFF000000ull}, "", ArchiveStatus::Ok, false,
         0},
        {"over 4 GiB stored", L"big.zip", {{}, 4 * kGiB + 16384}, "", ArchiveStatus::Ok, true, 1 | 2 | 4},
        {"grows past 4 GiB behind a 32-bit header", L"grows.zip", {{}, 4 * kGiB + 16384, 10}, "",
         ArchiveStatus::HeaderLocked, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryPlatform platform;
        platform.Add(L"src", c.source);
        platform.Add(L"after", MemorySourceSpec{abc});
        test::MemoryArchive out;
        ArchiveWriter writer(std::make_unique<MemoryOutput>(out), c.password, platform);
        EXPECT_EQ(writer.AddEntry(c.name, L"src"), c.status);
        const uint64_t afterOffset = writer.written();
        ASSERT_EQ(writer.AddEntry(L"after.txt", L"after"), ArchiveStatus::Ok);
        ASSERT_EQ(writer.Finish(), ArchiveStatus::Ok);
        ASSERT_EQ(out.end(), writer.written());

        const test::Zip64Archive archive = test::ReadCentral(out);
        const bool recorded = c.status == ArchiveStatus::Ok;
        ASSERT_EQ(archive.central.size(), recorded ? 2u : 1u);
        const test::Zip64Central& after = archive.central.back();
        EXPECT_EQ(after.localHeaderOffset, afterOffset);
        EXPECT_EQ(after.extraFields, (c.centralFields & 4) ? 4 : 0);
        EXPECT_EQ(archive.zip64End, afterOffset > 0xFFFFFFFEull);
        if (!recorded) continue;

        const test::Zip64Central& e = archive.central[0];
        EXPECT_EQ(e.extraFields, c.centralFields & 3);
        EXPECT_EQ(e.uncompressedSize, c.source.zeros ? c.source.zeros : abc.size());
        const uint16_t version = c.localZip64 ? 45 : 20;
        EXPECT_EQ(e.versionNeeded, version);
        const LocalView local = ReadLocal(out, e.localHeaderOffset);
        EXPECT_EQ(local.header.versionNeeded, version);
        EXPECT_EQ(ReadU16(local.extra.data()), kExtendedTimestampId);  // first, always
        Zip64ExtraField f;
        f.hasUncompressedSize = f.hasCompressedSize = true;
        ASSERT_EQ(ReadZip64Extra(local.extra.data(), local.extra.size(), f), c.localZip64);
        const bool encrypted = *c.password != '\0';
        if (c.localZip64) {
            EXPECT_EQ(local.header.compressedSize, kZip64Marker32);
            EXPECT_EQ(local.header.uncompressedSize, kZip64Marker32);
            // Without a password the rewritten header holds the final sizes.
            EXPECT_EQ(f.uncompressedSize, encrypted ? c.source.claimedSize : e.uncompressedSize);
            EXPECT_EQ(f.compressedSize, encrypted ? 0 : e.compressedSize);
        }
        // The data descriptor of an encrypted entry has the width of the header's sizes.
        const uint64_t dataEnd = e.localHeaderOffset + kLocalHeaderSize + local.header.nameLength +
                                 local.extra.size() + e.compressedSize;
        const uint64_t descriptor = encrypted ? (c.localZip64 ? kZip64DataDescriptorSize : kDataDescriptorSize) : 0;
        EXPECT_EQ(dataEnd + descriptor, after.localHeaderOffset);
        if (encrypted) {
            const auto d = out.Bytes(dataEnd, descriptor);
            EXPECT_EQ(ReadU32(d.data()), kDataDescriptorSignature);
            EXPECT_EQ(ReadU32(d.data() + 4), ComputeCrc32(abc.data(), abc.size()));
        }
    }
}

// 65,535 fits the end record's 16-bit count, but it is also the value that sends readers to
// the Zip64 end record: the writer puts the count there.
TEST(ZipWriterCore, EntryCountsFrom65535GoToTheZip64EndRecord) {
    constexpr uint64_t kCount = 65535;
    MemoryPlatform platform;
    platform.Add(L"empty", MemorySourceSpec{});
    test::MemoryArchive out;
    ArchiveWriter writer(std::make_unique<MemoryOutput>(out), "", platform);
    for (uint64_t i = 0; i < kCount; ++i) ASSERT_EQ(writer.AddEntry(L"e.zip", L"empty"), ArchiveStatus::Ok);
    ASSERT_EQ(writer.Finish(), ArchiveStatus::Ok);
    const test::Zip64Archive archive = test::ReadCentral(out);
    EXPECT_TRUE(archive.zip64End);
    EXPECT_EQ(archive.endEntries, 0xFFFF);
    EXPECT_EQ(archive.entries, kCount);
    EXPECT_EQ(archive.central.back().versionNeeded, 20);
}

TEST(ZipWriterCore, EightBitNamesAboveAsciiCarryTheUnicodePathBlock) {
    struct Case {
        const wchar_t* name;
        const char* utf8;  // of the block; null: no block
    };
    const Case cases[] = {
        {L"caf\u00e9\\d\u00e9j\u00e0.txt", "caf\xC3\xA9/d\xC3\xA9j\xC3\xA0.txt"},
        {L"plain\\name.txt", nullptr},
        {L"\u6570\u636e.txt", nullptr},  // UTF-8 with bit 11 already
    };
    for (const char* password : {"", "pw"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.utf8 ? c.utf8 : "no block");
            MemoryPlatform platform;
            platform.Add(L"f", MemorySourceSpec{{'f'}});
            test::MemoryArchive out;
            ArchiveWriter writer(std::make_unique<MemoryOutput>(out), password, platform);
            ASSERT_EQ(writer.AddEntry(c.name, L"f"), ArchiveStatus::Ok);
            ASSERT_EQ(writer.Finish(), ArchiveStatus::Ok);
            const test::Zip64Central central = test::ReadCentral(out).central.at(0);
            const LocalView local = ReadLocal(out, 0);
            for (const std::vector<uint8_t>* extra : {&local.extra, &central.extra}) {
                EXPECT_EQ(ReadU16(extra->data()), kExtendedTimestampId);
                const uint8_t* data = nullptr;
                size_t size = 0;
                const bool found = FindExtraBlock(extra->data(), extra->size(), 0x7075, &data, &size);
                ASSERT_EQ(found, c.utf8 != nullptr);
                if (!found) continue;
                ASSERT_GT(size, 5u);
                EXPECT_EQ(data[0], 1);
                EXPECT_EQ(ReadU32(data + 1), ComputeCrc32(central.name.data(), central.name.size()));
                EXPECT_EQ(std::string(data + 5, data + size), c.utf8);
            }
        }
    }
}

}  // namespace
}  // namespace velmor::zip

// Records where sizes, offsets and counts outgrow 32 bits.
#include <gtest/gtest.h>

#include "memory_writer.h"
#include "zip/format/cipher.h"
#include "zip/format/records.h"
#include "zip/format/zip64.h"
#include "zip/write/entry_layout.h"
#include "zip/write/entry_encoder.h"

namespace velmor::zip {
namespace {

constexpr uint64_t k5GiB = 5ull << 30;
constexpr uint64_t kMarker = 0xFFFFFFFFu;

TEST(ZipWriterCore, Zip64FieldsOnlyWhereAFieldOverflows) {
    EXPECT_FALSE(NeedsZip64Sizes(kMethodDeflated, 0, 0xFF000000u));  // its bound stays below
    EXPECT_TRUE(NeedsZip64Sizes(kMethodDeflated, 0, 0xFFFFFFFFu - 2000));
    EXPECT_FALSE(NeedsZip64Sizes(kMethodStored, 0, 0xFFFFFFFEu));
    EXPECT_TRUE(NeedsZip64Sizes(kMethodStored, kEncryptionHeaderSize, 0xFFFFFFF3u));
    EXPECT_FALSE(NeedsZip64Sizes(kMethodStored, 28, 0xFFFFFFFEu - 28));  // AES salt, verifier, code
    EXPECT_TRUE(NeedsZip64Sizes(kMethodStored, 28, 0xFFFFFFFEu - 27));

    struct Case {
        bool zip64Sizes;
        uint64_t compressed, uncompressed, offset;
        uint16_t version;
        int centralFields;  // 1 uncompressed, 2 compressed, 4 offset
    };
    const Case cases[] = {
        {false, 10, 20, 30, 20, 0},
        {true, 10, 20, 30, 45, 0},  // the size at open was near 4 GiB; the data were not
        {true, k5GiB / 2, k5GiB, 0, 45, 1},
        {true, k5GiB + 9, k5GiB, 0, 45, 1 | 2},
        {false, 10, 20, k5GiB, 45, 4},
        {true, kMarker, kMarker, kMarker, 45, 1 | 2 | 4},  // the marker itself cannot stand
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.uncompressed << " at " << c.offset);
        WriterEntry e;
        e.zip64Sizes = c.zip64Sizes;
        e.compressedSize = c.compressed;
        e.uncompressedSize = c.uncompressed;
        e.localHeaderOffset = c.offset;
        e.storedName = "n";
        EncodeLocalTimestampBlock(1, 2, 3, e.localTimestampBlock);
        EncodeCentralTimestampBlock(1, e.centralTimestampBlock);

        const std::vector<uint8_t> central = CentralHeaderBytes(e);
        CentralFileHeader h;
        ASSERT_TRUE(Decode(central.data(), h));
        EXPECT_EQ(h.versionNeeded, c.version);
        Zip64ExtraField f;
        f.hasUncompressedSize = c.centralFields & 1;
        f.hasCompressedSize = c.centralFields & 2;
        f.hasLocalHeaderOffset = c.centralFields & 4;
        const uint8_t* extra = central.data() + kCentralHeaderSize + 1;
        EXPECT_EQ(ReadU16(extra), kExtendedTimestampId);  // first, always
        EXPECT_EQ(h.extraLength,
                  kCentralTimestampBlockSize + (f.DataSize() ? 4 + f.DataSize() : 0));
        ASSERT_EQ(ReadZip64Extra(extra, h.extraLength, f), f.DataSize() > 0);
        EXPECT_EQ(f.hasUncompressedSize ? f.uncompressedSize : h.uncompressedSize, c.uncompressed);
        EXPECT_EQ(f.hasCompressedSize ? f.compressedSize : h.compressedSize, c.compressed);
        EXPECT_EQ(f.hasLocalHeaderOffset ? f.localHeaderOffset : h.localHeaderOffset, c.offset);

        const std::vector<uint8_t> local = LocalHeaderBytes(e);
        LocalFileHeader l;
        ASSERT_TRUE(Decode(local.data(), l));
        EXPECT_EQ(l.versionNeeded, c.version);
        Zip64ExtraField both;
        both.hasUncompressedSize = both.hasCompressedSize = true;
        ASSERT_EQ(ReadZip64Extra(local.data() + kLocalHeaderSize + 1, l.extraLength, both),
                  c.zip64Sizes);
        EXPECT_EQ(c.zip64Sizes ? both.uncompressedSize : l.uncompressedSize, c.uncompressed);
        EXPECT_EQ(DataDescriptorBytes(e).size(),
                  c.zip64Sizes ? kZip64DataDescriptorSize : kDataDescriptorSize);
    }

    struct End {
        uint64_t entries, start;
        bool zip64;
    };
    for (const End& c : {End{65534, 100, false}, End{65535, 100, true}, End{3, k5GiB, true}}) {
        SCOPED_TRACE(c.entries);
        const std::vector<uint8_t> bytes = EndRecordsBytes(c.entries, c.start, 1000);
        ASSERT_EQ(bytes.size(),
                  kEndRecordSize + (c.zip64 ? kZip64EndRecordSize + kZip64EndLocatorSize : 0));
        EndOfCentralDirectory end;
        ASSERT_TRUE(Decode(bytes.data() + bytes.size() - kEndRecordSize, end));
        EXPECT_EQ(end.entriesTotal, c.entries > 65534 ? 0xFFFF : c.entries);
        EXPECT_EQ(end.centralDirectoryOffset, c.start > kMarker ? kMarker : c.start);
        if (!c.zip64) continue;
        Zip64EndOfCentralDirectory z;
        Zip64EndLocator locator;
        ASSERT_TRUE(Decode(bytes.data(), z));
        ASSERT_TRUE(Decode(bytes.data() + kZip64EndRecordSize, locator));
        EXPECT_EQ(z.entriesTotal, c.entries);
        EXPECT_EQ(z.centralDirectoryOffset, c.start);
        EXPECT_EQ(locator.endRecordOffset, c.start + 1000);  // right after the central directory
    }
}

// A source that outgrows 4 GiB behind a header without the Zip64 sizes ends its entry as
// soon as it passes the line: nothing follows that no record could describe.
TEST(ZipWriterCore, DataGrowingPastTheirHeaderEndTheEntry) {
    struct CountingSink final : EntrySink {
        uint64_t bytes = 0;
        bool zip64 = true;
        bool Begin(const SourceDescription&, bool zip64Sizes) override {
            return zip64 = zip64Sizes, true;
        }
        bool Data(const uint8_t*, uint32_t size) override { return bytes += size, true; }
    } sink;
    test::MemoryPlatform platform;
    platform.Add(L"grows", {{}, (4ull << 30) + 65536, 10});
    EntryEncoder encoder(platform, "", EntryEncryption::Traditional, kDeflateLevel);
    const EncodedEntry result = encoder.Encode(L"grows", kMethodStored, sink);
    EXPECT_EQ(result.status, ArchiveStatus::HeaderLocked);
    EXPECT_FALSE(sink.zip64);
    EXPECT_LE(sink.bytes, kMarker);
    EXPECT_GT(sink.bytes, kMarker - 16384);
}

}  // namespace
}  // namespace velmor::zip

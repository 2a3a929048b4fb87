// Byte layouts of the Zip64 records and the reading of the Zip64 extra block.
#include <gtest/gtest.h>

#include <vector>

#include "zip/format/records.h"
#include "zip/format/zip64.h"

namespace velmor::zip {
namespace {

TEST(Zip64Records, EndRecordLocatorAndDescriptorLayout) {
    Zip64EndOfCentralDirectory r;
    r.versionMadeBy = 0x0B2D;
    r.entriesOnThisDisk = r.entriesTotal = 0x10001;
    r.centralDirectorySize = 0x0102030405ull;
    r.centralDirectoryOffset = 0x1122334455667788ull;
    std::vector<uint8_t> b;
    Encode(r, b);
    ASSERT_EQ(b.size(), kZip64EndRecordSize);
    EXPECT_EQ(ReadU64(&b[4]), 44u);
    EXPECT_EQ(ReadU16(&b[14]), 45);
    EXPECT_EQ(ReadU64(&b[32]), 0x10001u);
    EXPECT_EQ(ReadU64(&b[48]), 0x1122334455667788ull);
    Zip64EndOfCentralDirectory back;
    ASSERT_TRUE(Decode(b.data(), back));
    EXPECT_EQ(back.centralDirectorySize, r.centralDirectorySize);
    EXPECT_EQ(back.versionMadeBy, 0x0B2D);

    Zip64EndLocator l;
    l.endRecordOffset = 0x1'0000'0010ull;
    std::vector<uint8_t> lb;
    Encode(l, lb);
    const std::vector<uint8_t> expected = {'P', 'K', 6, 7, 0, 0, 0, 0, 0x10, 0,
                                           0,   0,   1, 0, 0, 0, 1, 0, 0,    0};
    EXPECT_EQ(lb, expected);
    Zip64EndLocator lback;
    ASSERT_TRUE(Decode(lb.data(), lback));
    EXPECT_EQ(lback.endRecordOffset, l.endRecordOffset);
    EXPECT_FALSE(Decode(b.data(), lback));

    std::vector<uint8_t> db;
    Encode(Zip64DataDescriptor{0xA1A2A3A4u, 0x1'0000'0002ull, 5}, db);
    ASSERT_EQ(db.size(), kZip64DataDescriptorSize);
    EXPECT_EQ(ReadU32(&db[4]), 0xA1A2A3A4u);
    EXPECT_EQ(ReadU64(&db[8]), 0x1'0000'0002ull);
    EXPECT_EQ(ReadU64(&db[16]), 5u);
}

TEST(Zip64Records, ExtraFieldHoldsOnlyTheMarkedFieldsInOrder) {
    struct Case {
        bool uncompressed, compressed, offset;
        std::vector<uint8_t> tail;  // bytes appended to the block's data
        int dataSizeDelta;          // added to the block's announced size
        bool found;
    };
    const Case cases[] = {
        {true, true, true, {}, 0, true},
        {false, true, false, {}, 0, true},  // only the compressed size: it comes first
        {false, false, true, {}, 0, true},
        {true, false, true, {9, 9, 9, 9}, 4, true},  // a disk number behind is not asked for
        {true, true, false, {}, -1, false},          // one byte short
        {false, false, true, {}, -8, false},         // announced empty
    };
    for (const Case& c : cases) {
        Zip64ExtraField written;
        written.hasUncompressedSize = c.uncompressed;
        written.hasCompressedSize = c.compressed;
        written.hasLocalHeaderOffset = c.offset;
        written.uncompressedSize = 0x1'2345'6789ull;
        written.compressedSize = 0x2'0000'0000ull;
        written.localHeaderOffset = 0xFFFF'FFFFull;
        // Another block first, so the search steps over it.
        std::vector<uint8_t> extra = {'U', 'T', 1, 0, 3};
        Encode(written, extra);
        extra.insert(extra.end(), c.tail.begin(), c.tail.end());
        extra[7] = static_cast<uint8_t>(extra[7] + c.dataSizeDelta);
        if (c.dataSizeDelta < 0) extra.resize(extra.size() + c.dataSizeDelta);

        Zip64ExtraField read;
        read.hasUncompressedSize = c.uncompressed;
        read.hasCompressedSize = c.compressed;
        read.hasLocalHeaderOffset = c.offset;
        ASSERT_EQ(ReadZip64Extra(extra.data(), extra.size(), read), c.found);
        if (!c.found) continue;
        EXPECT_EQ(read.uncompressedSize, c.uncompressed ? written.uncompressedSize : 0);
        EXPECT_EQ(read.compressedSize, c.compressed ? written.compressedSize : 0);
        EXPECT_EQ(read.localHeaderOffset, c.offset ? written.localHeaderOffset : 0);
    }
    Zip64ExtraField none;
    none.hasCompressedSize = true;
    EXPECT_FALSE(ReadZip64Extra(nullptr, 0, none));
}

}  // namespace
}  // namespace velmor::zip

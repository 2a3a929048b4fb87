// Byte layouts of the ZIP records and the extended-timestamp block.
#include <gtest/gtest.h>

#include <vector>

#include "zip/format/records.h"

namespace velmor::zip {
namespace {

TEST(ZipRecords, LocalHeaderLayoutAndRoundTrip) {
    LocalFileHeader h;
    h.versionNeeded = 20;
    h.flags = 0x0009;
    h.method = 8;
    h.dosDateTime = 0x50B16DABu;
    h.crc32 = 0xCF20953Cu;
    h.compressedSize = 0x21;
    h.uncompressedSize = 0x15;
    h.nameLength = 5;
    h.extraLength = 17;
    std::vector<uint8_t> bytes;
    Encode(h, bytes);
    const std::vector<uint8_t> expected = {'P',  'K',  3,    4,    20,   0,    0x09, 0,    8,    0,
                                           0xAB, 0x6D, 0xB1, 0x50, 0x3C, 0x95, 0x20, 0xCF, 0x21, 0,
                                           0,    0,    0x15, 0,    0,    0,    5,    0,    17,   0};
    EXPECT_EQ(bytes, expected);

    LocalFileHeader back;
    ASSERT_TRUE(Decode(bytes.data(), back));
    EXPECT_EQ(back.dosDateTime, h.dosDateTime);
    EXPECT_EQ(back.crc32, h.crc32);
    EXPECT_EQ(back.extraLength, 17);
    bytes[3] = 2;
    EXPECT_FALSE(Decode(bytes.data(), back));
}

TEST(ZipRecords, CentralHeaderFieldOffsets) {
    CentralFileHeader h;
    h.versionMadeBy = 0x0B17;
    h.versionNeeded = 20;
    h.flags = 2;
    h.method = 8;
    h.dosDateTime = 0x11223344u;
    h.crc32 = 0xA1A2A3A4u;
    h.compressedSize = 0xB1B2B3B4u;
    h.uncompressedSize = 0xC1C2C3C4u;
    h.nameLength = 0x0102;
    h.extraLength = 9;
    h.commentLength = 0x0304;
    h.diskNumberStart = 0x0506;
    h.internalAttributes = 0x0708;
    h.externalAttributes = 0x81800020u;
    h.localHeaderOffset = 0xD1D2D3D4u;
    std::vector<uint8_t> b;
    Encode(h, b);
    ASSERT_EQ(b.size(), kCentralHeaderSize);
    EXPECT_EQ(ReadU32(b.data()), kCentralHeaderSignature);
    EXPECT_EQ(ReadU16(&b[4]), 0x0B17);
    EXPECT_EQ(b[4], 0x17);  // format version 2.3 in the low byte, host 11 in the high byte
    EXPECT_EQ(b[5], 0x0B);
    EXPECT_EQ(ReadU32(&b[12]), 0x11223344u);
    EXPECT_EQ(ReadU32(&b[16]), 0xA1A2A3A4u);
    EXPECT_EQ(ReadU32(&b[20]), 0xB1B2B3B4u);
    EXPECT_EQ(ReadU32(&b[24]), 0xC1C2C3C4u);
    EXPECT_EQ(ReadU16(&b[28]), 0x0102);
    EXPECT_EQ(ReadU16(&b[30]), 9);
    EXPECT_EQ(ReadU16(&b[32]), 0x0304);
    EXPECT_EQ(ReadU16(&b[34]), 0x0506);
    EXPECT_EQ(ReadU16(&b[36]), 0x0708);
    EXPECT_EQ(ReadU32(&b[38]), 0x81800020u);
    EXPECT_EQ(ReadU32(&b[42]), 0xD1D2D3D4u);

    CentralFileHeader back;
    ASSERT_TRUE(Decode(b.data(), back));
    EXPECT_EQ(back.externalAttributes, h.externalAttributes);
    EXPECT_EQ(back.localHeaderOffset, h.localHeaderOffset);
    EXPECT_EQ(back.commentLength, h.commentLength);
}

TEST(ZipRecords, EndRecordAndDataDescriptor) {
    EndOfCentralDirectory r;
    r.entriesOnThisDisk = r.entriesTotal = 3;
    r.centralDirectorySize = 0x100;
    r.centralDirectoryOffset = 0x2000;
    std::vector<uint8_t> b;
    Encode(r, b);
    const std::vector<uint8_t> expected = {'P', 'K', 5, 6, 0, 0, 0,    0, 3, 0, 3,
                                           0,   0,   1, 0, 0, 0, 0x20, 0, 0, 0, 0};
    EXPECT_EQ(b, expected);
    EndOfCentralDirectory back;
    ASSERT_TRUE(Decode(b.data(), back));
    EXPECT_EQ(back.centralDirectoryOffset, 0x2000u);

    DataDescriptor d{0x01020304u, 14, 2};
    std::vector<uint8_t> dd;
    Encode(d, dd);
    const std::vector<uint8_t> expectedDd = {'P', 'K', 7, 8, 4, 3, 2, 1, 14, 0, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(dd, expectedDd);
}

TEST(ZipTimestampBlock, LocalAndCentralBlocks) {
    std::vector<uint8_t> local;
    EncodeLocalTimestampBlock(0x5EC13FF2, -1, 0x01020304, local);
    const std::vector<uint8_t> expectedLocal = {'U',  'T',  13,   0,    7, 0xF2, 0x3F, 0xC1, 0x5E,
                                                0xFF, 0xFF, 0xFF, 0xFF, 4, 3,    2,    1};
    EXPECT_EQ(local, expectedLocal);
    std::vector<uint8_t> central;
    EncodeCentralTimestampBlock(0x5EC13FF2, central);
    const std::vector<uint8_t> expectedCentral = {'U', 'T', 5, 0, 7, 0xF2, 0x3F, 0xC1, 0x5E};
    EXPECT_EQ(central, expectedCentral);

    ExtendedTimestamp ts;
    ASSERT_TRUE(FindExtendedTimestamp(local.data(), local.size(), &ts));
    EXPECT_EQ(ts.flags, 7);
    EXPECT_EQ(ts.modification, 0x5EC13FF2);
    EXPECT_EQ(ts.access, -1);
    EXPECT_EQ(ts.creation, 0x01020304);
    // The central block announces three times but carries only one.
    ASSERT_TRUE(FindExtendedTimestamp(central.data(), central.size(), &ts));
    EXPECT_EQ(ts.flags, kTimestampModification);
    EXPECT_EQ(ts.modification, 0x5EC13FF2);
}

TEST(ZipTimestampBlock, SearchSkipsOtherBlocksAndStaysInBounds) {
    // An Info-ZIP "ux" block first, then "UT" with modification only.
    std::vector<uint8_t> extra = {'u', 'x', 3, 0, 1, 2, 3, 'U', 'T', 5, 0, 1, 0x10, 0, 0, 0};
    ExtendedTimestamp ts;
    ASSERT_TRUE(FindExtendedTimestamp(extra.data(), extra.size(), &ts));
    EXPECT_EQ(ts.flags, kTimestampModification);
    EXPECT_EQ(ts.modification, 16);

    EXPECT_FALSE(FindExtendedTimestamp(extra.data(), 7, &ts));
    // A block claiming more data than the field holds yields only what fits.
    std::vector<uint8_t> cut = {'U', 'T', 13, 0, 7, 1, 0, 0, 0, 2, 0};
    ASSERT_TRUE(FindExtendedTimestamp(cut.data(), cut.size(), &ts));
    EXPECT_EQ(ts.flags, kTimestampModification);
    // A huge data size steps past the end instead of reading there.
    std::vector<uint8_t> huge = {'x', 'y', 0xFF, 0xFF, 'U', 'T', 5, 0, 1, 1, 0, 0, 0};
    EXPECT_FALSE(FindExtendedTimestamp(huge.data(), huge.size(), &ts));
    EXPECT_FALSE(FindExtendedTimestamp(nullptr, 0, &ts));
}

}  // namespace
}  // namespace velmor::zip

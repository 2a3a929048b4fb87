// The archive reader: end record search and checks, the cursor, getItem, attributes, times.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_archive_builder.h"
#include "test_sandbox.h"
#include "zip/extract.h"
#include "zip/format/crc32.h"
#include "zip/reader.h"
#include "zip/win/file_times.h"
#include "zip/read/reader_entry_mapping.h"

namespace velmor::zip {
namespace {

using test::BuildArchive;
using test::BuiltArchive;
using test::TestEntry;

constexpr uint64_t kTicksPerSecond = 10000000ull;
constexpr uint64_t kUnixEpoch = 116444736000000000ull;

class ZipReader : public ::testing::Test {
protected:
    std::unique_ptr<ArchiveReader> OpenBytes(const std::string& bytes,
                                             const std::string& password = "") {
        test::WriteFileBytes(box_ / L"a.zip", bytes);
        return ArchiveReader::Open(box_ / L"a.zip", password);
    }

    static std::vector<TestEntry> ThreeEntries() {
        std::vector<TestEntry> entries(3);
        entries[0].name = "one.txt";
        entries[0].data = "first entry";
        entries[1].name = "dir/two.bin";
        entries[1].data = std::string(5000, 'z');
        entries[1].method = 0;
        entries[2].name = "three.txt";
        entries[2].data = "third";
        return entries;
    }

    test::CurrentDirectoryGuard cwd_;
    test::Sandbox box_;
};

// A civil time read as UTC, as a file time.
uint64_t CivilAsUtc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    FILETIME ft;
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

// The zone's current offset, independent of the conversion under test.
int64_t LocalToUtcShift() {
    TIME_ZONE_INFORMATION tz;
    const DWORD mode = GetTimeZoneInformation(&tz);
    LONG bias = tz.Bias;
    if (mode == TIME_ZONE_ID_DAYLIGHT) bias += tz.DaylightBias;
    if (mode == TIME_ZONE_ID_STANDARD) bias += tz.StandardBias;
    return int64_t{bias} * 60 * static_cast<int64_t>(kTicksPerSecond);
}

TEST_F(ZipReader, OpensAndCountsEntries) {
    auto reader = OpenBytes(BuildArchive(ThreeEntries()).bytes);
    ASSERT_TRUE(reader);
    ArchiveEntry entry;
    entry.name = L"stale";
    entry.attributes = 7;
    ASSERT_EQ(reader->GetItem(-1, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.index, 3);
    EXPECT_TRUE(entry.name.empty());
    EXPECT_EQ(entry.attributes, 0u);
    EXPECT_EQ(entry.modificationTime, 0u);
    EXPECT_EQ(entry.compressedSize, 0);
    EXPECT_EQ(reader->GetItem(3, &entry), ArchiveStatus::BadArgument);
    EXPECT_EQ(reader->GetItem(-2, &entry), ArchiveStatus::BadArgument);
}

TEST_F(ZipReader, RefusesFilesWithoutUsableEndRecord) {
    EXPECT_FALSE(ArchiveReader::Open(box_ / L"missing.zip", ""));
    EXPECT_FALSE(OpenBytes(""));
    EXPECT_FALSE(OpenBytes("PK\x05\x06"));
    // An archive without entries is the end record alone, at position 0.
    EXPECT_FALSE(OpenBytes(BuildArchive({}).bytes));
    EXPECT_FALSE(OpenBytes(std::string(5000, 'x')));

    const BuiltArchive good = BuildArchive(ThreeEntries());
    std::string bytes = good.bytes;
    test::PutU16(bytes, good.endOffset + 4, 1);  // another disk
    EXPECT_FALSE(OpenBytes(bytes));
    bytes = good.bytes;
    test::PutU16(bytes, good.endOffset + 8, 2);  // entries here differ from the total
    EXPECT_FALSE(OpenBytes(bytes));
    bytes = good.bytes;
    test::PutU32(bytes, good.endOffset + 12, 0xFFFFFFF0u);  // directory beyond the record
    EXPECT_FALSE(OpenBytes(bytes));
    bytes = good.bytes;
    test::PutU32(bytes, good.endOffset + 16, 0xFFFFFFF0u);  // offset + size wraps in 32 bits
    EXPECT_FALSE(OpenBytes(bytes));
    // The record runs past the end of the file.
    EXPECT_FALSE(OpenBytes(good.bytes.substr(0, good.endOffset + 12)));
}

TEST_F(ZipReader, SearchesOnlyTheLast65535Bytes) {
    const std::vector<TestEntry> entries = ThreeEntries();
    auto reader = OpenBytes(BuildArchive(entries, std::string(65513, 'c')).bytes);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->entryCount(), 3);
    reader.reset();
    EXPECT_FALSE(OpenBytes(BuildArchive(entries, std::string(65514, 'c')).bytes));
}

TEST_F(ZipReader, FindsSignatureAcrossWindowEdges) {
    // Records whose signature straddles the first window's start, and each byte around it.
    for (size_t comment = 1000; comment <= 1012; ++comment) {
        auto reader = OpenBytes(BuildArchive(ThreeEntries(), std::string(comment, 'c')).bytes);
        ASSERT_TRUE(reader) << comment;
        ArchiveEntry entry;
        EXPECT_EQ(reader->GetItem(2, &entry), ArchiveStatus::Ok) << comment;
        reader.reset();
    }
}

TEST_F(ZipReader, LaterSignatureWins) {
    // A record-like signature inside the comment comes later in the file and is taken.
    std::string comment = std::string("PK\x05\x06", 4) + std::string(18, '\x01');
    EXPECT_FALSE(OpenBytes(BuildArchive(ThreeEntries(), comment).bytes));
    comment = "plain comment";
    EXPECT_TRUE(OpenBytes(BuildArchive(ThreeEntries(), comment).bytes));
}

TEST_F(ZipReader, PrefixBytesAreSkipped) {
    const std::string prefix(777, '\x90');
    auto reader = OpenBytes(prefix + BuildArchive(ThreeEntries()).bytes);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->cursor().prefixLength(), 777u);
    ArchiveEntry entry;
    ASSERT_EQ(reader->GetItem(2, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.name, L"three.txt");
    EXPECT_EQ(entry.uncompressedSize, 5);
}

TEST_F(ZipReader, DescribesEntriesInAnyOrderAndCachesTheLast) {
    auto reader = OpenBytes(BuildArchive(ThreeEntries()).bytes);
    ASSERT_TRUE(reader);
    ArchiveEntry entry;
    ASSERT_EQ(reader->GetItem(2, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.name, L"three.txt");
    ASSERT_EQ(reader->GetItem(1, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.index, 1);
    EXPECT_EQ(entry.name, L"dir/two.bin");
    EXPECT_EQ(entry.compressedSize, 5000);
    EXPECT_EQ(entry.uncompressedSize, 5000);
    ASSERT_EQ(reader->GetItem(-1, &entry), ArchiveStatus::Ok);
    // The count request leaves the cache alone, so entry 1 is answered from it while the
    // cursor still stands on entry 1 and has not been asked to move.
    reader->cursor().MoveTo(0);
    ASSERT_EQ(reader->GetItem(1, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.name, L"dir/two.bin");
    EXPECT_EQ(reader->cursor().index(), 0);
    ASSERT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.name, L"one.txt");
}

TEST_F(ZipReader, EncryptedSizesIncludeTheHeader) {
    std::vector<TestEntry> entries(1);
    entries[0].name = "s.txt";
    entries[0].data = "secret";
    entries[0].method = 0;
    entries[0].password = "pw";
    auto reader = OpenBytes(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    ArchiveEntry entry;
    ASSERT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.compressedSize, 18);
    EXPECT_EQ(entry.uncompressedSize, 6);
}

TEST_F(ZipReader, LocalHeaderMustAgreeWithCentral) {
    const BuiltArchive good = BuildArchive(ThreeEntries());
    const size_t local = good.localOffsets[0];
    const size_t central = good.centralOffsets[0];
    struct Case {
        const char* what;
        size_t at;
        int width;
        uint32_t value;
    };
    const Case cases[] = {
        {"local signature", local, 4, 0x04034b51},
        {"local method", local + 8, 2, 0},
        {"local crc", local + 14, 4, 1},
        {"local compressed size", local + 18, 4, 1},
        {"local uncompressed size", local + 22, 4, 1},
        {"local name length", local + 26, 2, 6},
        {"local header offset beyond the file", central + 42, 4, 0x7FFFFFF0},
    };
    for (const Case& c : cases) {
        std::string bytes = good.bytes;
        if (c.width == 2)
            test::PutU16(bytes, c.at, static_cast<uint16_t>(c.value));
        else
            test::PutU32(bytes, c.at, c.value);
        auto reader = OpenBytes(bytes);
        ASSERT_TRUE(reader) << c.what;
        ArchiveEntry entry;
        EXPECT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Corrupt) << c.what;
        EXPECT_EQ(reader->GetItem(2, &entry), ArchiveStatus::Ok) << c.what;
    }
}

// An entry of a method not read here (98, PPMd) is described with its method, but refused
// as corrupt before any file is made for it.
TEST_F(ZipReader, UnreadMethodIsDescribedAndRefused) {
    std::vector<TestEntry> entries = ThreeEntries();
    entries[0].method = 0;
    BuiltArchive built = BuildArchive(entries);
    test::PutU16(built.bytes, built.localOffsets[0] + 8, 98);
    test::PutU16(built.bytes, built.centralOffsets[0] + 10, 98);
    auto reader = OpenBytes(built.bytes);
    ASSERT_TRUE(reader);
    ArchiveEntry entry;
    ASSERT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.method, 98);
    EXPECT_EQ(ExtractEntry(*reader, 0, L"one.txt"), ArchiveStatus::Corrupt);
    EXPECT_FALSE(test::PathExists(reader->rootFolder() + L"one.txt"));
    EXPECT_EQ(zip::TestEntry(*reader, 0, L"one.txt"), ArchiveStatus::Corrupt);
}

TEST_F(ZipReader, DataDescriptorEntriesPassWithZeroLocalFields) {
    std::vector<TestEntry> entries = ThreeEntries();
    entries[0].dataDescriptor = true;
    entries[1].dataDescriptor = true;
    auto reader = OpenBytes(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    ArchiveEntry entry;
    EXPECT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(reader->GetItem(1, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.uncompressedSize, 5000);
}

TEST_F(ZipReader, UnreadableCentralHeaderEndsTheWalk) {
    BuiltArchive built = BuildArchive(ThreeEntries());
    built.bytes[built.centralOffsets[1]] = 'X';
    auto reader = OpenBytes(built.bytes);
    ASSERT_TRUE(reader);
    ArchiveEntry entry;
    EXPECT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(reader->GetItem(1, &entry), ArchiveStatus::Corrupt);
    EXPECT_EQ(reader->GetItem(2, &entry), ArchiveStatus::Corrupt);
    EXPECT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.name, L"one.txt");
}

TEST_F(ZipReader, NamesAreReportedAsStored) {
    const char* names[] = {"dir\\x.txt", "\\lead.txt", "C:drive.txt", "../up.txt", "a/b/"};
    std::vector<TestEntry> entries;
    for (const char* name : names) {
        TestEntry e;
        e.name = name;
        e.data = "x";
        entries.push_back(e);
    }
    auto reader = OpenBytes(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    for (int i = 0; i < 5; ++i) {
        ArchiveEntry entry;
        ASSERT_EQ(reader->GetItem(i, &entry), ArchiveStatus::Ok);
        EXPECT_EQ(entry.name, std::wstring(names[i], names[i] + strlen(names[i])));
    }
}

TEST_F(ZipReader, NamesThatCannotBePassedOnWholeAreCorrupt) {
    std::vector<TestEntry> entries(3);
    entries[0].name = std::string(259, 'n');
    entries[1].name = std::string(260, 'n');
    entries[2].name = std::string("nul\0after", 9);
    auto reader = OpenBytes(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    ArchiveEntry entry;
    ASSERT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.name.size(), 259u);
    EXPECT_EQ(reader->GetItem(1, &entry), ArchiveStatus::Corrupt);
    EXPECT_EQ(reader->GetItem(2, &entry), ArchiveStatus::Corrupt);
}

TEST_F(ZipReader, NamesComeFromTheAnsiCodePage) {
    std::vector<TestEntry> entries(1);
    entries[0].name = "caf\xE9.txt";  // é in the Western code page
    entries[0].data = "x";
    auto reader = OpenBytes(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    ArchiveEntry entry;
    ASSERT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Ok);
    wchar_t expected[16];
    const int n = MultiByteToWideChar(CP_ACP, 0, "caf\xE9.txt", 8, expected, 16);
    EXPECT_EQ(entry.name, std::wstring(expected, n));
}

TEST_F(ZipReader, NamesFollowBit11OrTheCentralUnicodePathBlock) {
    // Info-ZIP's Unicode Path block: version 1, CRC-32 of the stored name, the UTF-8 name.
    const auto unicodePath = [](const std::string& stored, const std::string& utf8) {
        std::string data = "\x01" + std::string(4, '\0') + utf8;
        test::PutU32(data, 1, ComputeCrc32(stored.data(), stored.size()));
        return test::ExtraBlock(0x7075, data);
    };
    std::vector<TestEntry> entries(4);
    for (TestEntry& e : entries) e.data = "x";
    entries[0].name = "\xD0\x96/\xE6\x95\xB0.txt";  // "Ж/数.txt"
    entries[0].moreFlags = 0x0800;
    entries[1].name = "x.txt";
    entries[1].centralExtra =
        test::TimestampBlock(1, 0, 0, 0) + unicodePath("x.txt", "\xD0\x96.txt");
    entries[2].name = "y.txt";
    entries[2].localExtra = unicodePath("y.txt", "\xD0\x96.txt");  // the local block is not read
    entries[3].name = "\xC0\xAF.txt";                              // an overlong "/" is no name
    entries[3].moreFlags = 0x0800;
    auto reader = OpenBytes(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    const std::wstring expected[] = {L"\u0416/\u6570.txt", L"\u0416.txt", L"y.txt"};
    for (int i = 0; i < 3; ++i) {
        ArchiveEntry entry;
        ASSERT_EQ(reader->GetItem(i, &entry), ArchiveStatus::Ok);
        EXPECT_EQ(entry.name, expected[i]);
    }
    ArchiveEntry entry;
    EXPECT_EQ(reader->GetItem(3, &entry), ArchiveStatus::Corrupt);
}

TEST_F(ZipReader, MoreHeadersThanAnnouncedCountWhenTheyFillTheDirectory) {
    struct Case {
        uint16_t announced;
        size_t junk;    // bytes after the last header, inside the directory's size
        int32_t count;  // -1: the archive does not open
    };
    const Case cases[] = {{3, 0, 3}, {0, 0, 3}, {2, 0, 3}, {5, 0, 5}, {3, 10, 3}, {1, 10, -1}};
    for (const Case& c : cases) {
        BuiltArchive built = BuildArchive(ThreeEntries());
        built.bytes.insert(built.endOffset, std::string(c.junk, 'j'));
        const size_t end = built.endOffset + c.junk;
        test::PutU16(built.bytes, end + 8, c.announced);
        test::PutU16(built.bytes, end + 10, c.announced);
        test::PutU32(built.bytes, end + 12,
                     test::GetU32(built.bytes, end + 12) + static_cast<uint32_t>(c.junk));
        auto reader = OpenBytes(built.bytes);
        ASSERT_EQ(reader != nullptr, c.count >= 0) << c.announced << "+" << c.junk;
        if (!reader) continue;
        EXPECT_EQ(reader->entryCount(), c.count);
        ArchiveEntry entry;
        EXPECT_EQ(reader->GetItem(2, &entry), ArchiveStatus::Ok);
        EXPECT_EQ(entry.name, L"three.txt");
        // Announced entries that are not there: the walk ends at the first one.
        if (c.count > 3) {
            EXPECT_EQ(reader->GetItem(3, &entry), ArchiveStatus::Corrupt);
        }
    }

    // A count that wrapped past 65,535.
    std::vector<TestEntry> many(65537);
    for (size_t i = 0; i < many.size(); ++i) {
        many[i].name = std::to_string(i);
        many[i].method = 0;
    }
    BuiltArchive built = BuildArchive(many);
    test::PutU16(built.bytes, built.endOffset + 8, 1);
    test::PutU16(built.bytes, built.endOffset + 10, 1);
    auto reader = OpenBytes(built.bytes);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->entryCount(), 65537);
    ArchiveEntry entry;
    ASSERT_EQ(reader->GetItem(65536, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(entry.name, L"65536");
}

struct AttributeCase {
    uint16_t versionMadeBy;
    uint32_t external;
    uint32_t expected;
};

class ZipReaderAttributes : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(ZipReaderAttributes, MapsByHostSystem) {
    const AttributeCase& c = GetParam();
    EXPECT_EQ(MapExternalAttributes(c.versionMadeBy, c.external), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, ZipReaderAttributes,
    ::testing::Values(
        // Unix: directory mode with owner write; regular file without owner write.
        AttributeCase{0x031E, 0x41ED0010, 0x30}, AttributeCase{0x031E, 0x81240000, 0x21},
        AttributeCase{0x031E, 0x81A40000, 0x20}, AttributeCase{0x031E, 0x000000FF, 0x21},
        // DOS-style hosts take the low byte.
        AttributeCase{0x0014, 0x21, 0x21}, AttributeCase{0x0B17, 0x12, 0x12},
        AttributeCase{0x0700, 0x27, 0x27}, AttributeCase{0x0E00, 0x00, 0x00},
        AttributeCase{0x0B17, 0xFFFFFFC0, 0x00}, AttributeCase{0x0B17, 0x3F, 0x37},
        // Other hosts (here 10, 19) fall back to the Unix reading.
        AttributeCase{0x0A14, 0x00000010, 0x21}, AttributeCase{0x1314, 0x40800000, 0x30}));

TEST(ZipReaderZone, RunsInTheZoneItWasGiven) {
    // The zone tests below only prove the conversion when the offset is not zero.
    const char* tz = getenv("TZ");
    if (tz != nullptr && std::string(tz) == "Asia/Tokyo") {
        EXPECT_EQ(LocalToUtcShift(), -9 * 3600 * static_cast<int64_t>(kTicksPerSecond));
    }
    if (tz != nullptr && std::string(tz) == "UTC") {
        EXPECT_EQ(LocalToUtcShift(), 0);
    }
}

TEST_F(ZipReader, DosTimeIsLocalTimeForAllThree) {
    std::vector<TestEntry> entries(1);
    entries[0].name = "t.txt";
    entries[0].data = "x";
    entries[0].dosDateTime = 0x50B16DAB;  // 2020-05-17 13:45:22
    auto reader = OpenBytes(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    ArchiveEntry entry;
    ASSERT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Ok);
    const uint64_t expected = CivilAsUtc(2020, 5, 17, 13, 45, 22) + LocalToUtcShift();
    EXPECT_EQ(entry.modificationTime, expected);
    EXPECT_EQ(entry.accessTime, expected);
    EXPECT_EQ(entry.creationTime, expected);
}

TEST_F(ZipReader, ExtendedTimestampOverridesAnnouncedTimes) {
    const int32_t mtime = 1600000000;
    const int32_t atime = 1600000100;
    const int32_t ctime = -100;  // before 1970: signed seconds
    std::vector<TestEntry> entries(4);
    for (auto& e : entries) {
        e.data = "x";
        e.dosDateTime = 0x50B16DAB;
    }
    entries[0].name = "all";
    entries[0].localExtra = test::TimestampBlock(7, mtime, atime, ctime);
    entries[1].name = "modification-only";
    entries[1].localExtra = test::TimestampBlock(1, mtime, 0, 0);
    entries[2].name = "after-other-block";
    entries[2].localExtra =
        test::ExtraBlock(0x000A, std::string(200, '\0')) + test::TimestampBlock(2, 0, atime, 0);
    entries[3].name = "central-only";  // the central block is never consulted
    entries[3].centralExtra = test::TimestampBlock(1, mtime, 0, 0);
    auto reader = OpenBytes(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    const uint64_t dos = CivilAsUtc(2020, 5, 17, 13, 45, 22) + LocalToUtcShift();
    auto unix = [](int64_t t) { return static_cast<uint64_t>((t * 10000000ll)) + kUnixEpoch; };
    ArchiveEntry e;
    ASSERT_EQ(reader->GetItem(0, &e), ArchiveStatus::Ok);
    EXPECT_EQ(e.modificationTime, unix(mtime));
    EXPECT_EQ(e.accessTime, unix(atime));
    EXPECT_EQ(e.creationTime, unix(ctime));
    ASSERT_EQ(reader->GetItem(1, &e), ArchiveStatus::Ok);
    EXPECT_EQ(e.modificationTime, unix(mtime));
    EXPECT_EQ(e.accessTime, dos);
    EXPECT_EQ(e.creationTime, dos);
    ASSERT_EQ(reader->GetItem(2, &e), ArchiveStatus::Ok);
    EXPECT_EQ(e.modificationTime, dos);
    EXPECT_EQ(e.accessTime, unix(atime));
    ASSERT_EQ(reader->GetItem(3, &e), ArchiveStatus::Ok);
    EXPECT_EQ(e.modificationTime, dos);
}

TEST_F(ZipReader, ShortTimestampBlockAndInvalidDosTime) {
    std::vector<TestEntry> entries(2);
    entries[0].name = "short";
    entries[0].data = "x";
    // Flags announce three times, the data holds one.
    std::string block = test::TimestampBlock(1, 1600000000, 0, 0);
    block[4] = 7;
    entries[0].localExtra = block;
    entries[1].name = "bad-date";
    entries[1].data = "x";
    entries[1].dosDateTime = 0x00000000;  // month 0, day 0
    auto reader = OpenBytes(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    ArchiveEntry e;
    ASSERT_EQ(reader->GetItem(0, &e), ArchiveStatus::Ok);
    EXPECT_EQ(e.modificationTime, 1600000000ull * kTicksPerSecond + kUnixEpoch);
    EXPECT_EQ(e.accessTime, e.creationTime);
    EXPECT_NE(e.accessTime, e.modificationTime);
    ASSERT_EQ(reader->GetItem(1, &e), ArchiveStatus::Ok);
    EXPECT_EQ(e.modificationTime, 0u);
    EXPECT_EQ(e.accessTime, 0u);
}

TEST_F(ZipReader, RootFolderIsTheCurrentDirectoryWithSeparator) {
    ASSERT_TRUE(SetCurrentDirectoryW(box_.path().c_str()));
    auto reader = OpenBytes(BuildArchive(ThreeEntries()).bytes);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->rootFolder(), box_.path() + L"\\");
    // A relative archive name resolves against the current directory.
    EXPECT_TRUE(ArchiveReader::Open(L"a.zip", ""));
}

}  // namespace
}  // namespace velmor::zip

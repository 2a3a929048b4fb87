// The reader's core over archives held in memory: end record, directory walk, and each
// entry read to its end with the verdict on the whole entry.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <zlib.h>

#include "test_archive_builder.h"
#include "zip/read/extract_entry_stream.h"
#include "zip/read/reader_byte_source.h"
#include "zip/read/reader_cursor.h"
#include "zip/read/reader_end_record.h"
#include "zip/read/reader_overlap.h"
#include "zip/read/stored_entries.h"
#include "zip/format/zip64.h"

namespace velmor::zip {
namespace {

using test::BuildArchive;
using test::TestEntry;

struct Outcome {
    bool opened = false;
    std::string data;
    int32_t readResult = 0;                     // the first result that was not a byte count
    ReaderCode verdict = ReaderCode::ReaderOk;  // asked for only after a clean end
};

// Opens the archive, moves to entry 0 and reads it whole, `capacity` bytes at a time.
Outcome ReadFirst(const std::string& bytes, const std::string& password, uint32_t capacity = 100) {
    MemoryByteSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    Outcome outcome;
    EndRecord end;
    if (!ReadEndRecord(source, FindEndRecord(source), &end) || !SettleEntryCount(source, &end)) {
        return outcome;
    }
    outcome.opened = true;
    CentralDirectoryCursor cursor(source, end);
    cursor.First();
    std::unique_ptr<EntryStream> stream;
    const ReaderCode open = EntryStream::Open(cursor, password, &stream);
    if (open != ReaderCode::ReaderOk) {
        outcome.readResult = static_cast<int32_t>(open);
        return outcome;
    }
    std::vector<uint8_t> buffer(capacity);
    int32_t got;
    while ((got = stream->Read(buffer.data(), capacity)) > 0) {
        outcome.data.append(reinterpret_cast<char*>(buffer.data()), static_cast<size_t>(got));
    }
    outcome.readResult = got;
    // A failure, once reported, stays.
    if (got < 0) {
        EXPECT_EQ(stream->Read(buffer.data(), capacity), got);
    }
    if (got == 0) outcome.verdict = stream->Finish();
    return outcome;
}

TEST(ZipMemoryReader, EntriesReadToTheirVerdict) {
    const std::string text =
        "The quick brown fox jumps over the lazy dog. " + std::string(300, 'z');
    auto entry = [&](uint16_t method, const std::string& password = "", bool descriptor = false) {
        TestEntry e;
        e.name = "a.txt";
        e.data = text;
        e.method = method;
        e.password = password;
        e.dataDescriptor = descriptor;
        return e;
    };
    auto archive = [](const TestEntry& e) { return BuildArchive({e}).bytes; };
    std::string badCrc = archive(entry(8));
    test::PutU32(badCrc, 14, test::GetU32(badCrc, 14) ^ 1);  // local CRC ...
    const size_t central = BuildArchive({entry(8)}).centralOffsets[0];
    test::PutU32(badCrc, central + 16, test::GetU32(badCrc, central + 16) ^ 1);  // ... and central
    TestEntry rows = entry(8);
    for (int i = 0; rows.data.size() < 60000; ++i) rows.data += std::to_string(i * 7919) + ";";
    test::BuiltArchive damaged = BuildArchive({rows});
    damaged.bytes[damaged.dataOffsets[0] + 9000] ^= 0x55;  // the stream breaks on the way
    std::string truncated = archive(entry(0));
    const size_t centralStored = BuildArchive({entry(0)}).centralOffsets[0];
    test::PutU32(truncated, centralStored + 24, 1000);  // uncompressed size beyond the data
    test::PutU32(truncated, 22, 1000);

    struct Case {
        const char* what;
        std::string bytes;
        std::string password;
        bool opened;
        int32_t readResult;
        ReaderCode verdict;
    } cases[] = {
        {"stored", archive(entry(0)), "", true, 0, ReaderCode::ReaderOk},
        {"deflated", archive(entry(8)), "", true, 0, ReaderCode::ReaderOk},
        {"data descriptor", archive(entry(8, "", true)), "", true, 0, ReaderCode::ReaderOk},
        {"prefixed", "prefix" + archive(entry(8)), "", true, 0, ReaderCode::ReaderOk},
        {"encrypted", archive(entry(8, "pw")), "pw", true, 0, ReaderCode::ReaderOk},
        {"wrong password", archive(entry(0, "pw")), "px", true,
         static_cast<int32_t>(ReaderCode::CheckByteMismatch), ReaderCode::ReaderOk},
        {"CRC damaged", badCrc, "", true, 0, ReaderCode::CrcMismatch},
        {"data cut short", truncated, "", true, static_cast<int32_t>(ReaderCode::DataTruncated),
         ReaderCode::ReaderOk},
        {"deflate stream damaged", damaged.bytes, "", true, Z_DATA_ERROR, ReaderCode::ReaderOk},
        {"end record at 0", BuildArchive({}).bytes, "", false, 0, ReaderCode::ReaderOk},
        {"four bytes", "PK\x05\x06", "", false, 0, ReaderCode::ReaderOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome got = ReadFirst(c.bytes, c.password);
        // Whatever is asked for at a time, the same bytes come before the same failure.
        for (const uint32_t capacity : {1u, 16384u, 1u << 20}) {
            const Outcome other = ReadFirst(c.bytes, c.password, capacity);
            EXPECT_TRUE(std::tie(other.data, other.readResult, other.verdict) ==
                        std::tie(got.data, got.readResult, got.verdict))
                << capacity;
        }
        EXPECT_EQ(got.opened, c.opened);
        if (!c.opened) continue;
        EXPECT_EQ(got.readResult, c.readResult);
        EXPECT_EQ(got.verdict, c.verdict);
        if (c.readResult == 0 && c.verdict == ReaderCode::ReaderOk) {
            EXPECT_EQ(got.data, text);
        }
    }
}

// Every entry of an archive read whole, as Unpack reads them: "!" stands for an entry that
// could not be read to a clean verdict.
struct Contents {
    bool opened = false;
    bool apart = false;
    std::vector<std::string> entries;
};

Contents ReadAll(const std::string& bytes) {
    MemoryByteSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    Contents contents;
    EndRecord end;
    if (!ReadEndRecord(source, FindEndRecord(source), &end) || !SettleEntryCount(source, &end)) {
        return contents;
    }
    contents.opened = true;
    contents.apart = EntriesLieApart(source, end);
    CentralDirectoryCursor cursor(source, end);
    cursor.First();
    for (int32_t i = 0; i < cursor.entryCount(); ++i) {
        std::unique_ptr<EntryStream> stream;
        std::string data;
        if (cursor.MoveTo(i) == ReaderCode::ReaderOk &&
            EntryStream::Open(cursor, "", &stream) == ReaderCode::ReaderOk) {
            uint8_t buffer[4096];
            int32_t got;
            while ((got = stream->Read(buffer, sizeof buffer)) > 0) {
                data.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(got));
            }
            if (got != 0 || stream->Finish() != ReaderCode::ReaderOk) data = "!";
        } else {
            data = "!";
        }
        contents.entries.push_back(data);
    }
    return contents;
}

std::vector<TestEntry> TwoEntries() {
    TestEntry a;
    a.name = "a.txt";
    a.data = std::string(3000, 'a') + "end";
    TestEntry b;
    b.name = "dir/b.bin";
    b.data = "stored bytes";
    b.method = 0;
    b.dataDescriptor = true;
    return {a, b};
}

TEST(ZipMemoryReader, Zip64RecordsAreReadAndLiesRefused) {
    const std::vector<TestEntry> entries = TwoEntries();
    const test::BuiltArchive z = BuildArchive(entries, "", true);
    const size_t record = z.zip64EndOffset, locator = z.zip64LocatorOffset;
    const size_t central = z.centralOffsets[0], local = z.localOffsets[0];
    // Offsets of the fields in the first entry's Zip64 blocks (central: three values, local:
    // two), after the 4-byte block header at the start of each extra field.
    const size_t centralBlock = central + 46 + entries[0].name.size() + 4;
    const size_t localBlock = local + 30 + entries[0].name.size() + 4;
    auto with = [&](std::initializer_list<std::pair<size_t, uint64_t>> changes, size_t width = 8) {
        std::string b = z.bytes;
        for (const auto& change : changes) {
            if (width == 8) test::PutU64(b, change.first, change.second);
            if (width == 4) test::PutU32(b, change.first, static_cast<uint32_t>(change.second));
            if (width == 2) test::PutU16(b, change.first, static_cast<uint16_t>(change.second));
        }
        return b;
    };
    const std::vector<std::string> both = {entries[0].data, entries[1].data};
    const std::vector<std::string> firstBroken = {"!", entries[1].data};
    // A locator by chance in front of an end record that needs no Zip64 (the last bytes of
    // the directory): the 32-bit figures are read.
    const test::BuiltArchive plain = BuildArchive(entries);
    std::string chance = plain.bytes;
    chance.insert(plain.endOffset, std::string("PK\x06\x07", 4) + std::string(16, '\0'));
    test::PutU32(chance, chance.size() - 10,
                 static_cast<uint32_t>(plain.endOffset + 20 - plain.centralOffsets[0]));
    // The central block holding two of its three values, a dummy block after it.
    std::string cut = z.bytes;
    test::PutU16(cut, centralBlock - 2, 16);
    test::PutU16(cut, centralBlock + 16, 0x9999);
    test::PutU16(cut, centralBlock + 18, 4);

    struct Case {
        const char* what;
        std::string bytes;
        bool opened;
        std::vector<std::string> entries;
    } cases[] = {
        {"Zip64 throughout", z.bytes, true, both},
        {"bytes in front: found before the locator", "prefix" + z.bytes, true, both},
        {"record with extensible data",
         [&] {
             std::string b = z.bytes;
             b.insert(locator, "ext!");
             test::PutU64(b, record + 4, 48);
             return b;
         }(),
         true, both},
        {"locator chance match, 32-bit figures", chance, true, both},
        // Lying or cut Zip64 end records refuse the archive.
        {"count beyond the directory", with({{record + 24, 1000}, {record + 32, 1000}}), false, {}},
        {"count beyond 2^31",
         with({{record + 24, 1ull << 40}, {record + 32, 1ull << 40}}),
         false,
         {}},
        {"counts disagree", with({{record + 24, 1}}), false, {}},
        {"directory offset past the record", with({{record + 48, record + 1}}), false, {}},
        {"directory size wraps", with({{record + 40, ~0ull}}), false, {}},
        {"record size past the locator", with({{record + 4, 45}}), false, {}},
        {"record size below the fixed part", with({{record + 4, 43}}), false, {}},
        {"second disk", with({{record + 16, 1}}, 4), false, {}},
        {"locator names two disks", with({{locator + 16, 2}}, 4), false, {}},
        {"locator leads nowhere", with({{locator + 8, 3}, {record, 0}}), false, {}},
        {"record cut off", z.bytes.substr(0, record + 30) + z.bytes.substr(locator), false, {}},
        // Lying or cut Zip64 blocks refuse their entry only.
        {"central block cut short", cut, true, firstBroken},
        {"central compressed size wraps", with({{centralBlock + 8, ~0ull}}), true, firstBroken},
        {"central offset past the end", with({{centralBlock + 16, 1ull << 62}}), true, firstBroken},
        {"local sizes disagree", with({{localBlock, 3004}}), true, firstBroken},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Contents got = ReadAll(c.bytes);
        EXPECT_EQ(got.opened, c.opened);
        if (c.opened) {
            EXPECT_EQ(got.entries, c.entries);
        }
    }
}

TEST(ZipMemoryReader, CountsAbove65535ComeFromTheZip64Record) {
    std::vector<TestEntry> entries(65537);
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].name = std::to_string(i);
        entries[i].method = 0;
    }
    entries.back().data = "last";
    const std::string bytes = BuildArchive(entries, "", true).bytes;
    const Contents got = ReadAll(bytes);
    ASSERT_TRUE(got.opened);
    EXPECT_TRUE(got.apart);
    ASSERT_EQ(got.entries.size(), 65537u);
    EXPECT_EQ(got.entries.back(), "last");
}

TEST(ZipMemoryReader, EntriesThatShareDataAreFound) {
    const std::vector<TestEntry> entries = TwoEntries();
    TestEntry third;
    third.name = "c.txt";
    third.data = "third";
    const std::vector<TestEntry> three = {entries[0], entries[1], third};
    const test::BuiltArchive a = BuildArchive(three);
    const test::BuiltArchive z = BuildArchive(three, "", true);
    // Entry 2's central header pointed at entry 0's local header, with its figures.
    std::string shared = a.bytes;
    shared.replace(a.centralOffsets[2] + 16, 12, a.bytes.substr(a.centralOffsets[0] + 16, 12));
    test::PutU32(shared, a.centralOffsets[2] + 42, static_cast<uint32_t>(a.localOffsets[0]));
    // Entry 0 made to end inside entry 1 (its data then takes in entry 1's header): both
    // headers agree on the larger size, as in the bomb whose entries overlap in a chain.
    std::string chained = a.bytes;
    const uint32_t longer = static_cast<uint32_t>(a.localOffsets[1] + 10 - a.dataOffsets[0]);
    test::PutU32(chained, a.centralOffsets[0] + 20, longer);
    test::PutU32(chained, a.localOffsets[0] + 18, longer);
    // The central headers in reverse order of their data.
    auto reversed = [&](const std::string& bytes) {
        std::string b = bytes.substr(0, a.centralOffsets[0]);
        for (size_t i = 3; i-- > 0;) {
            const size_t end = i + 1 < 3 ? a.centralOffsets[i + 1] : a.endOffset;
            b += bytes.substr(a.centralOffsets[i], end - a.centralOffsets[i]);
        }
        return b + bytes.substr(a.endOffset);
    };
    // The whole central directory listed twice: every local record claimed twice.
    std::string twice = a.bytes.substr(0, a.endOffset);
    twice += a.bytes.substr(a.centralOffsets[0], a.endOffset - a.centralOffsets[0]);
    twice += a.bytes.substr(a.endOffset);
    test::PutU16(twice, twice.size() - 14, 6);
    test::PutU16(twice, twice.size() - 12, 6);
    test::PutU32(twice, twice.size() - 10,
                 static_cast<uint32_t>(2 * (a.endOffset - a.centralOffsets[0])));

    struct Case {
        const char* what;
        std::string bytes;
        bool apart;
    } cases[] = {
        {"plain", a.bytes, true},
        {"Zip64", z.bytes, true},
        {"bytes in front", "prefix" + a.bytes, true},
        {"listed out of order", reversed(a.bytes), true},
        {"two entries, one local header", shared, false},
        {"data running into the next entry", chained, false},
        {"out of order and sharing", reversed(chained), false},
        {"directory listed twice", twice, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Contents got = ReadAll(c.bytes);
        ASSERT_TRUE(got.opened);
        EXPECT_EQ(got.apart, c.apart);
    }
}

// A stored central header moved to a new local header offset: in its own field while it fits,
// in the Zip64 block behind the sizes that block already holds when it does not, or where
// the field held the marker already.
TEST(StoredEntries, CentralHeaderFollowsItsEntryToAnyOffset) {
    struct Case {
        const char* what;
        bool sizeInBlock;  // the uncompressed size already lives in a Zip64 block
        bool offsetInBlock;
        uint64_t to;
    };
    const Case cases[] = {
        {"fits its field", false, false, 1234},
        {"past 4 GiB, no block yet", false, false, (uint64_t{1} << 32) + 5},
        {"past 4 GiB, behind the size in the block", true, false, uint64_t{1} << 33},
        {"marker already, small value", true, true, 77},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CentralFileHeader fixed;
        fixed.versionNeeded = 20;
        fixed.nameLength = 1;
        fixed.uncompressedSize = c.sizeInBlock ? kZip64Marker32 : 10;
        fixed.localHeaderOffset = c.offsetInBlock ? kZip64Marker32 : 9;
        Zip64ExtraField block;
        block.hasUncompressedSize = c.sizeInBlock;
        block.uncompressedSize = 5000000000;
        block.hasLocalHeaderOffset = c.offsetInBlock;
        block.localHeaderOffset = 1;
        std::vector<uint8_t> extra;
        if (c.sizeInBlock) Encode(block, extra);
        fixed.extraLength = static_cast<uint16_t>(extra.size());
        fixed.commentLength = 2;
        std::vector<uint8_t> header;
        Encode(fixed, header);
        header.push_back('n');
        header.insert(header.end(), extra.begin(), extra.end());
        header.push_back('c');
        header.push_back('c');

        ASSERT_TRUE(RelocateCentralHeader(header, c.to));
        CentralFileHeader moved;
        ASSERT_TRUE(Decode(header.data(), moved));
        ASSERT_EQ(header.size(), kCentralHeaderSize + 1 + moved.extraLength + 2u);
        EXPECT_EQ(header.back(), 'c');  // the comment stays behind the extra field
        const bool inBlock = c.offsetInBlock || c.to > kZip64Limit32;
        EXPECT_EQ(moved.versionNeeded, inBlock && !c.offsetInBlock ? 45 : 20);
        if (!inBlock) {
            EXPECT_EQ(moved.localHeaderOffset, c.to);
            continue;
        }
        EXPECT_EQ(moved.localHeaderOffset, kZip64Marker32);
        Zip64ExtraField read;
        read.hasUncompressedSize = c.sizeInBlock;
        read.hasLocalHeaderOffset = true;
        ASSERT_TRUE(
            ReadZip64Extra(header.data() + kCentralHeaderSize + 1, moved.extraLength, read));
        EXPECT_EQ(read.localHeaderOffset, c.to);
        if (c.sizeInBlock) {
            EXPECT_EQ(read.uncompressedSize, 5000000000u);
        }
    }
}

}  // namespace
}  // namespace velmor::zip

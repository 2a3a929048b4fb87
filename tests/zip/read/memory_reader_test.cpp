// The reader's core over archives held in memory: end record, directory walk, and each
// entry read to its end with the verdict on the whole entry.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_archive_builder.h"
#include "zip/read/extract_entry_stream.h"
#include "zip/read/reader_byte_source.h"
#include "zip/read/reader_cursor.h"
#include "zip/read/reader_end_record.h"

namespace velmor::zip {
namespace {

using test::BuildArchive;
using test::TestEntry;

struct Outcome {
    bool opened = false;
    std::string data;
    int32_t readResult = 0;  // the first result that was not a byte count
    ReaderCode verdict = ReaderCode::ReaderOk;  // asked for only after a clean end
};

// Opens the archive, moves to entry 0 and reads it whole.
Outcome ReadFirst(const std::string& bytes, const std::string& password) {
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
    uint8_t buffer[100];
    int32_t got;
    while ((got = stream->Read(buffer, sizeof buffer)) > 0) {
        outcome.data.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(got));
    }
    outcome.readResult = got;
    if (got == 0) outcome.verdict = stream->Finish();
    return outcome;
}

TEST(ZipMemoryReader, EntriesReadToTheirVerdict) {
    const std::string text = "The quick brown fox jumps over the lazy dog. " + std::string(300, 'z');
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
        {"data cut short", truncated, "", true,
         static_cast<int32_t>(ReaderCode::DataTruncated), ReaderCode::ReaderOk},
        {"end record at 0", BuildArchive({}).bytes, "", false, 0, ReaderCode::ReaderOk},
        {"four bytes", "PK\x05\x06", "", false, 0, ReaderCode::ReaderOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome got = ReadFirst(c.bytes, c.password);
        EXPECT_EQ(got.opened, c.opened);
        if (!c.opened) continue;
        EXPECT_EQ(got.readResult, c.readResult);
        EXPECT_EQ(got.verdict, c.verdict);
        if (c.readResult == 0 && c.verdict == ReaderCode::ReaderOk) EXPECT_EQ(got.data, text);
    }
}

}  // namespace
}  // namespace velmor::zip

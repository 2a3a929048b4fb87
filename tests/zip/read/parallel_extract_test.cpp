// Entries read on several threads and handed over in directory order reach the target as
// one worker hands them over, whatever fails where. Runs under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "test_archive_builder.h"
#include "zip/read/parallel_extract.h"
#include "zip/read/reader_cursor.h"
#include "zip/read/reader_end_record.h"

namespace velmor::zip {
namespace {

using test::TestEntry;

// What reached the target, call by call; Write fails once `writable` bytes went through.
class RecordingTarget : public ExtractTarget {
public:
    ArchiveStatus Begin(size_t index) override {
        EXPECT_EQ(std::this_thread::get_id(), caller_);
        log += "|" + std::to_string(index) + ":";
        return index == refuse ? ArchiveStatus::NoFile : ArchiveStatus::Ok;
    }
    bool Write(const uint8_t* data, uint32_t size) override {
        if (written + size > writable) return false;
        written += size;
        log.append(reinterpret_cast<const char*>(data), size);
        return true;
    }
    void End(ArchiveStatus status) override {
        log += "=" + std::to_string(static_cast<int32_t>(status));
    }
    std::string log;
    size_t refuse = ~size_t{0};
    uint64_t written = 0, writable = ~uint64_t{0};
    const std::thread::id caller_ = std::this_thread::get_id();
};

class StopAfter : public ProgressSink {
public:
    explicit StopAfter(int64_t bytes) : bytes_(bytes) {}
    bool Progress(const std::wstring&, int64_t done, int64_t) override { return done < bytes_; }

private:
    int64_t bytes_;
};

struct Outcome {
    ArchiveStatus status;
    std::string log;
};

Outcome Extract(const std::string& bytes, unsigned workers, const std::string& password,
                size_t refuse, uint64_t writable, int64_t stopAt) {
    std::vector<std::unique_ptr<ByteSource>> sources;
    for (unsigned i = 0; i < workers; ++i) {
        sources.push_back(std::make_unique<MemoryByteSource>(
            reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }
    MemoryByteSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EndRecord end;
    EXPECT_TRUE(ReadEndRecord(source, FindEndRecord(source), &end));
    CentralDirectoryCursor cursor(source, end);
    cursor.First();
    std::vector<ExtractJob> jobs(end.entryCount);
    for (int32_t i = 0; i < end.entryCount; ++i) {
        EXPECT_EQ(cursor.MoveTo(i), ReaderCode::ReaderOk);
        jobs[i].hasData = LocateCurrentEntry(cursor, &jobs[i].location) == ReaderCode::ReaderOk;
        jobs[i].status = jobs[i].hasData ? ArchiveStatus::Ok : ArchiveStatus::Corrupt;
    }
    RecordingTarget target;
    target.refuse = refuse;
    target.writable = writable;
    StopAfter sink(stopAt);
    ProgressTally tally(&sink, -1);
    Outcome o;
    o.status = ExtractEntries(jobs, sources, password, target, tally, kExtractPieceSize / 2);
    o.log = target.log;
    return o;
}

TEST(ZipParallelExtract, AnyNumberOfWorkersHandsOverWhatOneDoes) {
    std::mt19937 rng(7);
    std::string noise(200000, '\0'), text;
    for (char& c : noise) c = static_cast<char>(rng());
    while (text.size() < 800000) text += "id;name;value " + std::to_string(rng() % 1000) + "\r\n";
    auto entry = [](const std::string& name, const std::string& data, uint16_t method,
                    const std::string& password = "", uint8_t aes = 0) {
        TestEntry e;
        e.name = name;
        e.data = data;
        e.method = method;
        e.password = password;
        e.aesStrength = aes;
        return e;
    };
    std::vector<TestEntry> entries = {entry("a.txt", text.substr(0, 5000), 8),
                                      entry("empty", "", 8),
                                      entry("noise.bin", noise, 0),
                                      entry("big.csv", text, 8),  // more than all that may wait
                                      entry("sealed.txt", text.substr(0, 70000), 8, "pw"),
                                      entry("aes.bin", noise.substr(0, 90000), 0, "pw", 1),
                                      entry("aes.csv", text.substr(0, 200000), 8, "pw", 3)};
    for (int i = 0; i < 40; ++i)
        entries.push_back(entry(std::to_string(i), text.substr(i, 3000), 8));
    const test::BuiltArchive built = test::BuildArchive(entries);
    std::string damaged = built.bytes;  // deflated data broken in the middle of big.csv
    damaged[built.dataOffsets[3] + 100000] ^= 0x55;
    std::string badCrc = built.bytes;  // stored data altered: read whole, its CRC-32 differs
    badCrc[built.dataOffsets[2] + 100] ^= 0x01;
    std::string lost = built.bytes;  // the local header of entry 5 is gone
    lost[built.localOffsets[5]] = 'X';
    std::string zip64 = test::BuildArchive(entries, "", true).bytes;
    struct Case {
        const char* what;
        const std::string& bytes;
        const char* password;
        size_t refuse;
        uint64_t writable;
        int64_t stopAt;
        ArchiveStatus status;
    };
    const size_t none = ~size_t{0};
    const uint64_t all = ~uint64_t{0};
    const int64_t never = INT64_MAX;
    const Case cases[] = {
        {"every kind of entry", built.bytes, "pw", none, all, never, ArchiveStatus::Ok},
        {"the same in Zip64 records", zip64, "pw", none, all, never, ArchiveStatus::Ok},
        {"a wrong password", built.bytes, "wrong", none, all, never, ArchiveStatus::BadPassword},
        {"damaged deflated data", damaged, "pw", none, all, never, ArchiveStatus::FlateFailed},
        {"a CRC-32 that differs", badCrc, "pw", none, all, never, ArchiveStatus::FlateFailed},
        {"an entry that cannot be described", lost, "pw", none, all, never, ArchiveStatus::Corrupt},
        {"an entry the target refuses", built.bytes, "pw", 4, all, never, ArchiveStatus::NoFile},
        {"a write that fails", built.bytes, "pw", none, 700000, never, ArchiveStatus::WriteFailed},
        {"stopped by the caller", built.bytes, "pw", none, all, 800000, ArchiveStatus::Cancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome one = Extract(c.bytes, 1, c.password, c.refuse, c.writable, c.stopAt);
        EXPECT_EQ(one.status, c.status);
        if (c.status == ArchiveStatus::Ok) {
            EXPECT_NE(one.log.find(text), std::string::npos);
            EXPECT_NE(one.log.find(noise), std::string::npos);
        }
        for (const unsigned workers : {2u, 4u, 8u}) {
            SCOPED_TRACE(workers);
            const Outcome many =
                Extract(c.bytes, workers, c.password, c.refuse, c.writable, c.stopAt);
            EXPECT_EQ(many.status, one.status);
            EXPECT_TRUE(many.log == one.log);
        }
    }
}

}  // namespace
}  // namespace velmor::zip

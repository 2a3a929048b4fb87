// Entries read on several threads and handed over in directory order reach the target as
// one worker hands them over, whatever fails where. Runs under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <algorithm>
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

// What reached the target, call by call; it refuses entry `refuse`, and writes fail once
// `writable` bytes went through.
struct RecordingTarget : ExtractTarget {
    ArchiveStatus Begin(size_t index) override {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        log += "|" + std::to_string(index) + ":";
        return index == refuse ? ArchiveStatus::NoFile : ArchiveStatus::Ok;
    }
    bool Write(const uint8_t* data, uint32_t size) override {
        if ((writable -= std::min<uint64_t>(size, writable)) == 0) return false;
        log.append(reinterpret_cast<const char*>(data), size);
        return true;
    }
    void End(ArchiveStatus status) override { log += "=" + std::to_string(int(status)); }
    std::string log;
    size_t refuse;
    uint64_t writable;
    const std::thread::id caller = std::this_thread::get_id();
};

struct StopAfter : ProgressSink {
    explicit StopAfter(int64_t bytes) : bytes(bytes) {}
    bool Progress(const std::wstring&, int64_t done, int64_t) override { return done < bytes; }
    int64_t bytes;
};

// The status and what reached the target, with the entries located as the calling thread
// locates them and a budget smaller than a piece.
std::pair<ArchiveStatus, std::string> Extract(const std::string& bytes, unsigned workers,
                                              size_t refuse, uint64_t writable, int64_t stopAt) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    std::vector<std::unique_ptr<ByteSource>> sources;
    for (unsigned i = 0; i < workers; ++i)
        sources.push_back(std::make_unique<MemoryByteSource>(data, bytes.size()));
    MemoryByteSource source(data, bytes.size());
    EndRecord end;
    EXPECT_TRUE(ReadEndRecord(source, FindEndRecord(source), &end));
    CentralDirectoryCursor cursor(source, end);
    cursor.First();
    std::vector<ExtractJob> jobs(end.entryCount);
    for (int32_t i = 0; i < end.entryCount; ++i) {
        cursor.MoveTo(i);
        jobs[i].hasData = LocateCurrentEntry(cursor, &jobs[i].location) == ReaderCode::ReaderOk;
        jobs[i].status = jobs[i].hasData ? ArchiveStatus::Ok : ArchiveStatus::Corrupt;
    }
    RecordingTarget target;
    target.refuse = refuse;
    target.writable = writable;
    StopAfter sink(stopAt);
    ProgressTally tally(&sink, -1);
    const ArchiveStatus status =
        ExtractEntries(jobs, sources, "pw", target, tally, kExtractPieceSize / 2);
    return {status, target.log};
}

TEST(ZipParallelExtract, AnyNumberOfWorkersHandsOverWhatOneDoes) {
    std::mt19937 rng(7);
    std::string noise(200000, '\0'), text;
    for (char& c : noise) c = static_cast<char>(rng());
    while (text.size() < 2500000) text += "id;name;value " + std::to_string(rng() % 1000) + "\n";
    std::vector<TestEntry> entries(47);
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].name = std::to_string(i);
        entries[i].data = text.substr(i, 3000);
    }
    entries[1].data = "";
    entries[2].data = noise;  // stored
    entries[2].method = 0;
    entries[3].data = text;  // more than all that may wait
    entries[4].password = "pw";
    entries[5].password = entries[6].password = "pw";
    entries[5].aesStrength = 1;
    entries[6].aesStrength = 3;
    entries[6].data = text.substr(0, 200000);
    const test::BuiltArchive built = test::BuildArchive(entries);
    std::string damaged = built.bytes, lost = built.bytes;
    damaged[built.dataOffsets[3] + 100000] ^= 0x55;  // deflated data broken in a large entry
    lost[built.localOffsets[5]] = 'X';               // a local header gone
    const size_t none = ~size_t{0};
    const uint64_t all = ~uint64_t{0};
    const struct {
        const std::string& bytes;
        size_t refuse;
        uint64_t writable;
        int64_t stopAt;
        ArchiveStatus status;
    } cases[] = {
        {built.bytes, none, all, INT64_MAX, ArchiveStatus::Ok},
        {damaged, none, all, INT64_MAX, ArchiveStatus::FlateFailed},
        {lost, none, all, INT64_MAX, ArchiveStatus::Corrupt},
        {built.bytes, 4, all, INT64_MAX, ArchiveStatus::NoFile},
        {built.bytes, none, 1500000, INT64_MAX, ArchiveStatus::WriteFailed},
        {built.bytes, none, all, 1800000, ArchiveStatus::Cancelled},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.status));
        const auto one = Extract(c.bytes, 1, c.refuse, c.writable, c.stopAt);
        EXPECT_EQ(one.first, c.status);
        if (c.status == ArchiveStatus::Ok) EXPECT_NE(one.second.find(text), std::string::npos);
        for (const unsigned workers : {2u, 4u, 8u}) {
            const auto many = Extract(c.bytes, workers, c.refuse, c.writable, c.stopAt);
            EXPECT_EQ(many.first, one.first) << workers;
            EXPECT_TRUE(many.second == one.second) << workers;
        }
    }
}

}  // namespace
}  // namespace velmor::zip

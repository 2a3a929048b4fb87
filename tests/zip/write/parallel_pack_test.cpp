// Entries made on several threads and written in list order give the archive that one
// thread writes, byte for byte, whatever fails where. Runs under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <random>

#include "memory_writer.h"
#include "zip/write/parallel_pack.h"
#include "zip/write/writer.h"

namespace velmor::zip {
namespace {

using test::MemoryContent;
using test::MemoryOutput;
using test::MemoryPlatform;

std::vector<uint8_t> Text(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    static const char* const kWords[] = {"id;name;value\r\n", "<item key=\"", "\"/>", "alpha",
                                         "1234.50"};
    std::vector<uint8_t> out;
    while (out.size() < size) {
        const char* w = kWords[rng() % 5];
        out.insert(out.end(), w, w + std::char_traits<char>::length(w));
    }
    out.resize(size);
    return out;
}

std::vector<uint8_t> Noise(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(size);
    for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
    return out;
}

struct Outcome {
    ArchiveStatus added;
    ArchiveStatus finished;
    std::vector<uint8_t> bytes;
    int opens;
};

// Small, so that the large sources (and a few small ones together) outgrow it.
constexpr size_t kBudget = 4 * kPieceSize;

Outcome Pack(const std::vector<FileListPair>& list, const char* password, unsigned threads,
             uint64_t failAt, EntryEncryption encryption) {
    static const std::vector<uint8_t> text = Text(100000, 1), noise = Noise(60000, 2),
                                      large = Text(1 << 20, 3), largeNoise = Noise(700000, 4);
    MemoryPlatform platform;
    platform.Add(L"text", {text});
    platform.Add(L"noise", {noise});
    platform.Add(L"empty", {});
    platform.Add(L"large", {large});                    // streams through the pieces of its turn
    platform.Add(L"large-noise", {largeNoise});         // stored: more than all that may wait
    platform.Add(L"shrunk", {Text(1000, 5), 0, 5000});  // the size at open was larger
    Outcome o;
    ArchiveWriter writer(std::make_unique<MemoryOutput>(o.bytes, failAt), password, platform,
                         encryption);
    o.added = AddEntries(writer, list, threads, kBudget);
    o.finished = writer.Finish();
    o.opens = platform.opens();
    return o;
}

TEST(ZipParallelPack, AnyNumberOfThreadsWritesTheOneThreadArchive) {
    std::vector<FileListPair> small;
    for (int i = 0; i < 120; ++i) {
        small.push_back(
            {L"t" + std::to_wstring(i) + (i % 3 ? L".txt" : L".zip"), i % 2 ? L"text" : L"empty"});
    }
    const std::vector<FileListPair> mixed = {{L"a.txt", L"text"},    {L"b.zip", L"noise"},
                                             {L"c.txt", L"empty"},   {L"d.bin", L"noise"},
                                             {L"big.csv", L"large"}, {L"big.zip", L"large-noise"},
                                             {L"e.txt", L"text"}};
    std::vector<FileListPair> missing = mixed;
    missing.insert(missing.begin() + 3, {L"gone.txt", L"no-such-source"});
    std::vector<FileListPair> badName = mixed;
    badName.insert(badName.begin() + 2, {L"", L"text"});
    const std::vector<FileListPair> shrunk = {
        {L"a.txt", L"text"}, {L"s.zip", L"shrunk"}, {L"b.txt", L"text"}};
    struct Case {
        const char* what;
        const std::vector<FileListPair>& list;
        const char* password;
        ArchiveStatus status;
        uint64_t failAt;
        EntryEncryption encryption = EntryEncryption::Traditional;
    };
    const Case cases[] = {
        {"stored, deflated, empty and large", mixed, "", ArchiveStatus::Ok, ~0ull},
        {"the same, encrypted", mixed, "pw", ArchiveStatus::Ok, ~0ull},
        {"the same, AES-256", mixed, "pw", ArchiveStatus::Ok, ~0ull, EntryEncryption::Aes256},
        {"many small entries", small, "", ArchiveStatus::Ok, ~0ull},
        {"a missing source in the middle", missing, "", ArchiveStatus::NoFile, ~0ull},
        {"an empty name in the middle", badName, "pw", ArchiveStatus::BadArgument, ~0ull},
        {"an encrypted stored source that shrank", shrunk, "pw", ArchiveStatus::HeaderLocked,
         ~0ull},
        {"the archive cannot be written past 600000 bytes", mixed, "", ArchiveStatus::WriteFailed,
         600000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome one = Pack(c.list, c.password, 1, c.failAt, c.encryption);
        EXPECT_EQ(one.added, c.status);
        for (const unsigned threads : {2u, 3u, 8u}) {
            SCOPED_TRACE(threads);
            const Outcome many = Pack(c.list, c.password, threads, c.failAt, c.encryption);
            EXPECT_EQ(many.added, one.added);
            EXPECT_EQ(many.finished, one.finished);
            // Writes come in other pieces, so a failing output cuts the file elsewhere.
            if (c.failAt == ~0ull) EXPECT_TRUE(many.bytes == one.bytes);
            // Every source is opened once at most, and only sources before a failing name.
            EXPECT_LE(many.opens, static_cast<int>(c.list.size()));
            if (c.status == ArchiveStatus::Ok) EXPECT_EQ(many.opens, one.opens);
        }
    }
}

}  // namespace
}  // namespace velmor::zip

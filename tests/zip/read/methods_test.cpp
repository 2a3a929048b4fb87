// Entries of every method the reader reads, written by peers: 7-Zip's ZIP archives, Python's
// zipfile, and the zstd and xz tools' output in records the builder writes, each plain, under
// the traditional cipher and under AES-256. Every entry is read back through the entry stream
// in an order of its own and must equal its source byte for byte; entries of a method not
// read here, and those whose dictionary or window is beyond the limit, are refused.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "test_archive_builder.h"
#include "zip/format/aes_format.h"
#include "zip/format/crc32.h"
#include "zip/read/entry_inflater.h"
#include "zip/read/extract_entry_stream.h"
#include "zip/read/inflater_memory.h"
#include "zip/read/reader_byte_source.h"
#include "zip/read/reader_cursor.h"
#include "zip/read/reader_end_record.h"

namespace velmor::zip {
namespace {

namespace fs = std::filesystem;
using test::BuildArchive;
using test::TestEntry;

constexpr char kPassword[] = "Sesame 7";

// Prose that compresses well and spans several input chunks, bytes that compress only to
// half (a peer stores what does not compress at all), and an empty file.
std::map<std::string, std::string> Sources() {
    std::string prose;
    for (int i = 0; prose.size() < 150000; ++i) {
        prose += "Line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog " +
                 std::to_string(i * 7919 % 1000) + "\n";
    }
    std::string noise(40000, '\0');
    uint32_t x = 2463534242u;
    for (char& c : noise) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 28);
    }
    return {{"prose.txt", prose}, {"noise.bin", noise}, {"empty.txt", ""}};
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A folder of its own holding the sources, where the peers run.
class PeerFolder {
public:
    PeerFolder() {
        char name[] = "/tmp/velmor_methods_XXXXXX";
        if (mkdtemp(name)) path_ = name;
        for (const auto& source : Sources()) {
            std::ofstream(path_ / source.first, std::ios::binary) << source.second;
        }
    }
    ~PeerFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    // Runs a shell command in the folder; the named output file's bytes, empty on failure.
    std::string Run(const std::string& command, const std::string& output) const {
        fs::remove(path_ / output);
        const std::string line = "cd '" + path_.string() + "' && (" + command + ") >/dev/null 2>&1";
        if (std::system(line.c_str()) != 0) return std::string();
        return ReadFile(path_ / output);
    }

private:
    fs::path path_;
};

bool HasTool(const char* name) {
    return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

struct Outcome {
    uint16_t method = 0;  // the real method, for AES entries too
    std::string data;
    int32_t failure = 0;  // the first read result that was not a byte count, or the verdict
};

// Every entry by name, read in reverse order of the directory.
std::map<std::string, Outcome> ReadEntries(const std::string& bytes, const std::string& password) {
    MemoryByteSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    std::map<std::string, Outcome> read;
    EndRecord end;
    if (!ReadEndRecord(source, FindEndRecord(source), &end) || !SettleEntryCount(source, &end)) {
        return read;
    }
    CentralDirectoryCursor cursor(source, end);
    cursor.First();
    InflaterMemory memory;  // one entry's decoder after another takes the blocks of the last
    for (int32_t i = cursor.entryCount() - 1; i >= 0; --i) {
        std::string name;
        LocalHeaderPlacement placement;
        if (cursor.MoveTo(i) != ReaderCode::ReaderOk ||
            cursor.ReadCurrentName(&name) != ReaderCode::ReaderOk ||
            cursor.CheckLocalHeader(&placement) != ReaderCode::ReaderOk) {
            ADD_FAILURE() << "entry " << i;
            continue;
        }
        Outcome& outcome = read[name];
        outcome.method = cursor.header().method;
        if (outcome.method == kMethodAes) {
            AesEntryInfo aes;
            const uint8_t* extra = reinterpret_cast<const uint8_t*>(bytes.data()) +
                                   cursor.prefixLength() + placement.extraPosition;
            if (FindAesExtra(extra, placement.extraLength, &aes)) outcome.method = aes.method;
        }
        std::unique_ptr<EntryStream> stream;
        const ReaderCode opened = EntryStream::Open(cursor, password, &stream, &memory);
        if (opened != ReaderCode::ReaderOk) {
            outcome.failure = static_cast<int32_t>(opened);
            continue;
        }
        uint8_t buffer[kEntryChunkSize];
        int32_t got;
        while ((got = stream->Read(buffer, sizeof buffer)) > 0) {
            outcome.data.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(got));
        }
        outcome.failure = got != 0 ? got : static_cast<int32_t>(stream->Finish());
    }
    return read;
}

using Patch = std::function<void(std::string&)>;

// The zstd or xz tool's output for each source (changed by patch), in records of the given
// method.
std::string WrappedArchive(const PeerFolder& folder, const std::string& tool, uint16_t method,
                           const std::string& password, uint8_t aesStrength,
                           const Patch& patch = nullptr) {
    std::vector<TestEntry> entries;
    for (const auto& source : Sources()) {
        TestEntry e;
        e.name = source.first;
        e.data = source.second;
        e.method = method;
        e.packed = folder.Run(tool + " -c < " + source.first + " > packed", "packed");
        if (e.packed.empty()) return std::string();
        if (patch) patch(e.packed);
        e.password = password;
        e.aesStrength = aesStrength;
        entries.push_back(e);
    }
    return BuildArchive(entries).bytes;
}

constexpr uint32_t kLargeDictionary = 128u << 20;

// Every LZMA entry's properties made to claim a 128 MiB dictionary: they follow the 4-byte
// header of LZMA data, the dictionary size after the lc/lp/pb byte.
std::string WithLargeLzmaDictionary(std::string bytes) {
    MemoryByteSource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EndRecord end;
    if (!ReadEndRecord(source, FindEndRecord(source), &end)) return std::string();
    CentralDirectoryCursor cursor(source, end);
    std::string patched = bytes;
    for (ReaderCode at = cursor.First(); at == ReaderCode::ReaderOk; at = cursor.Next()) {
        LocalHeaderPlacement placement;
        if (cursor.CheckLocalHeader(&placement) != ReaderCode::ReaderOk) return std::string();
        if (cursor.header().method == kMethodLzma && cursor.extent().compressedSize > 9) {
            test::PutU32(patched, cursor.prefixLength() + placement.dataPosition + 4 + 1,
                         kLargeDictionary);
        }
    }
    return patched;
}

// The xz tool's one block, its header of 12 bytes after the 12-byte stream header, with
// LZMA2 properties of a 128 MiB dictionary (2 << 26) and the header's CRC-32 made anew.
void LargeXzDictionary(std::string& packed) {
    if (packed.size() < 24 || packed[12] != 2 || packed[14] != 0x21) return packed.clear();
    packed[16] = 30;
    test::PutU32(packed, 20, ComputeCrc32(packed.data() + 12, 8));
}

// The zstd tool's frame, read from a pipe: its window descriptor (after the magic number and
// the frame header descriptor) made to say 2^(10 + 17) bytes.
void LargeZstdWindow(std::string& packed) {
    if (packed.size() < 6 || (packed[4] & 0x20) != 0) return packed.clear();
    packed[5] = static_cast<char>(17 << 3);
}

TEST(ZipMethods, PeerArchivesReadBackByteEqual) {
    if (!HasTool("7z") || !HasTool("python3") || !HasTool("zstd") || !HasTool("xz")) {
        GTEST_SKIP() << "7z, python3, zstd and xz are the oracle";
    }
    const PeerFolder folder;
    const std::string files = " prose.txt noise.bin empty.txt";
    const auto sevenZip = [&](const std::string& method, const std::string& cipher) {
        const std::string secret = cipher.empty() ? "" : " -p'" + std::string(kPassword) + "'";
        return folder.Run("7z a -tzip -mm=" + method + secret + cipher + " out.zip" + files,
                          "out.zip");
    };
    const auto python = [&](const std::string& method) {
        return folder.Run(
            "python3 -c \"import sys, zipfile\nwith zipfile.ZipFile('out.zip', "
            "'w', zipfile." +
                method +
                ") as z:\n    for f in sys.argv[1:]: "
                "z.write(f)\"" +
                files,
            "out.zip");
    };
    const int32_t kUnreadable = static_cast<int32_t>(ReaderCode::UnreadableEntry);
    const std::string aes = " -mem=AES256", zipCrypto = " -mem=ZipCrypto";
    struct Row {
        const char* what;
        std::string archive;
        uint16_t method;  // of the non-empty entries: the peer did use it
        bool encrypted;   // read with the password
        int32_t failure;  // 0: every entry equals its source; else what a non-empty one gives
    } rows[] = {
        {"7z Deflate64", sevenZip("Deflate64", ""), kMethodDeflate64, false, 0},
        {"7z Deflate64 ZipCrypto", sevenZip("Deflate64", zipCrypto), kMethodDeflate64, true, 0},
        {"7z Deflate64 AES-256", sevenZip("Deflate64", aes), kMethodDeflate64, true, 0},
        {"7z BZip2", sevenZip("BZip2", ""), kMethodBzip2, false, 0},
        {"7z BZip2 ZipCrypto", sevenZip("BZip2", zipCrypto), kMethodBzip2, true, 0},
        {"7z BZip2 AES-256", sevenZip("BZip2", aes), kMethodBzip2, true, 0},
        {"7z LZMA, end marker", sevenZip("LZMA", ""), kMethodLzma, false, 0},
        {"7z LZMA, no end marker", sevenZip("LZMA:eos=off", ""), kMethodLzma, false, 0},
        {"7z LZMA ZipCrypto", sevenZip("LZMA:eos=off", zipCrypto), kMethodLzma, true, 0},
        {"7z LZMA AES-256", sevenZip("LZMA", aes), kMethodLzma, true, 0},
        {"7z Deflate", sevenZip("Deflate", aes), kMethodDeflated, true, 0},
        {"python BZip2", python("ZIP_BZIP2"), kMethodBzip2, false, 0},
        {"python LZMA", python("ZIP_LZMA"), kMethodLzma, false, 0},
        {"zstd", WrappedArchive(folder, "zstd -q", kMethodZstd, "", 0), kMethodZstd, false, 0},
        {"zstd as method 20", WrappedArchive(folder, "zstd -q -19", kMethodZstdDeprecated, "", 0),
         kMethodZstdDeprecated, false, 0},
        {"zstd ZipCrypto", WrappedArchive(folder, "zstd -q", kMethodZstd, kPassword, 0),
         kMethodZstd, true, 0},
        {"zstd AES-256", WrappedArchive(folder, "zstd -q", kMethodZstd, kPassword, 3), kMethodZstd,
         true, 0},
        {"xz", WrappedArchive(folder, "xz", kMethodXz, "", 0), kMethodXz, false, 0},
        {"xz ZipCrypto", WrappedArchive(folder, "xz -9e", kMethodXz, kPassword, 0), kMethodXz, true,
         0},
        {"xz AES-256", WrappedArchive(folder, "xz", kMethodXz, kPassword, 3), kMethodXz, true, 0},
        // Beyond what the reader takes.
        {"7z PPMd", sevenZip("PPMd", ""), 98, false, kUnreadable},
        {"7z PPMd AES-256", sevenZip("PPMd", aes), 98, true, kUnreadable},
        {"LZMA, 128 MiB dictionary", WithLargeLzmaDictionary(sevenZip("LZMA", "")), kMethodLzma,
         false, kUnreadable},
        {"xz, 128 MiB dictionary",
         WrappedArchive(folder, "xz", kMethodXz, "", 0, LargeXzDictionary), kMethodXz, false,
         kUnreadable},
        {"zstd, 128 MiB window",
         WrappedArchive(folder, "zstd -q", kMethodZstd, "", 0, LargeZstdWindow), kMethodZstd, false,
         kUnreadable},
    };
    const std::map<std::string, std::string> sources = Sources();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_FALSE(row.archive.empty()) << "the peer made no archive";
        const std::map<std::string, Outcome> read =
            ReadEntries(row.archive, row.encrypted ? kPassword : "");
        ASSERT_EQ(read.size(), sources.size());
        for (const auto& source : sources) {
            SCOPED_TRACE(source.first);
            const auto found = read.find(source.first);
            ASSERT_NE(found, read.end());
            const Outcome& got = found->second;
            if (source.second.empty()) {
                if (row.failure == 0) EXPECT_EQ(got.failure, 0);
                if (row.failure == 0) EXPECT_EQ(got.data, "");
                continue;
            }
            EXPECT_EQ(got.method, row.method);
            EXPECT_EQ(got.failure, row.failure);
            if (row.failure == 0) EXPECT_TRUE(got.data == source.second);
            if (row.failure != 0) EXPECT_EQ(got.data, "");
        }
    }
}

}  // namespace
}  // namespace velmor::zip

// An archive that outgrows 4 GiB, written to a real file by the writer and read back by the
// reader: entries behind the 4 GiB line, an entry of more than 4 GiB, and the Zip64 records
// that say where they are. The file is sparse: the long entry's zeros are never written, so
// the run costs time for its CRC-32s, not gigabytes of disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "memory_writer.h"
#include "zip/format/crc32.h"
#include "zip/format/records.h"
#include "zip/format/zip64.h"
#include "zip/read/extract_entry_stream.h"
#include "zip/read/reader_byte_source.h"
#include "zip/read/reader_cursor.h"
#include "zip/read/reader_end_record.h"
#include "zip/write/writer.h"

namespace velmor::zip {
namespace {

static_assert(sizeof(off_t) == 8, "the file must take offsets past 4 GiB");

constexpr uint64_t k4GiB = 4ull << 30;

// A temporary file, unlinked as soon as it is open: it goes with the descriptor, however the
// test ends.
class ScratchFile {
public:
    ScratchFile() {
        const char* dir = std::getenv("TMPDIR");
        std::string path =
            std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/velmor-large-XXXXXX";
        fd_ = mkstemp(path.data());
        if (fd_ >= 0) unlink(path.c_str());
    }
    ~ScratchFile() {
        if (fd_ >= 0) close(fd_);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

bool AllZero(const uint8_t* bytes, uint32_t size) {
    uint8_t any = 0;  // no early exit: the loop runs over whole vectors
    for (uint32_t i = 0; i < size; ++i) any |= bytes[i];
    return any == 0;
}

// Appended runs of zero bytes become a hole; everything else is written where it belongs.
class SparseFileOutput final : public ArchiveOutput {
public:
    explicit SparseFileOutput(int fd) : fd_(fd) {}
    uint32_t Write(const void* data, uint32_t size) override {
        auto bytes = static_cast<const uint8_t*>(data);
        const bool hole = position_ >= end_ && AllZero(bytes, size);
        uint32_t done = size;
        if (!hole) {
            done = 0;
            while (done < size) {
                const ssize_t n =
                    pwrite(fd_, bytes + done, size - done, static_cast<off_t>(position_ + done));
                if (n <= 0) break;
                done += static_cast<uint32_t>(n);
            }
        }
        position_ += done;
        end_ = std::max(end_, position_);
        return done;
    }
    bool SeekTo(uint64_t position) override {
        position_ = position;
        return true;
    }
    bool Commit() override { return ftruncate(fd_, static_cast<off_t>(end_)) == 0; }

private:
    int fd_;
    uint64_t position_ = 0;
    uint64_t end_ = 0;
};

class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(int fd) : fd_(fd) {}
    bool IsOpen() const override { return true; }
    bool IsSeekable() const override { return true; }
    bool HasError() const override { return error_; }
    bool Length(uint64_t* length) override {
        const off_t end = lseek(fd_, 0, SEEK_END);
        if (end < 0) return !(error_ = true);
        *length = static_cast<uint64_t>(end);
        return true;
    }
    bool ReadAt(uint64_t position, void* buffer, uint32_t size) override {
        auto out = static_cast<uint8_t*>(buffer);
        for (uint32_t done = 0; done < size;) {
            const ssize_t n =
                pread(fd_, out + done, size - done, static_cast<off_t>(position + done));
            if (n <= 0) return !(error_ = true);
            done += static_cast<uint32_t>(n);
        }
        return true;
    }

private:
    int fd_;
    bool error_ = false;
};

std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    return bytes;
}

TEST(ZipLargeArchive, EntriesPastFourGiBReadBackWhole) {
    struct Case {
        const wchar_t* name;
        uint16_t method;  // from the name
        test::MemoryContent content;
    };
    const Case cases[] = {
        {L"head.txt", kMethodDeflated, {Pattern(100000, 1)}},
        {L"zeros.zip", kMethodStored, {{}, k4GiB + 4097}},    // Zip64 sizes, both headers
        {L"past.txt", kMethodDeflated, {Pattern(70001, 2)}},  // the offset in the Zip64 block
        {L"past.gz", kMethodStored, {Pattern(40000, 3)}},
    };
    ScratchFile file;
    ASSERT_GE(file.fd(), 0);
    test::MemoryPlatform platform;
    for (const Case& c : cases) platform.Add(c.name, c.content);
    ArchiveWriter writer(std::make_unique<SparseFileOutput>(file.fd()), "", platform);
    for (const Case& c : cases) ASSERT_EQ(writer.AddEntry(c.name, c.name), ArchiveStatus::Ok);
    const uint64_t directoryOffset = writer.written();
    const std::vector<WriterEntry> written = writer.entries();
    ASSERT_EQ(writer.Finish(), ArchiveStatus::Ok);
    ASSERT_GT(directoryOffset, k4GiB + 4097);

    FileByteSource source(file.fd());
    uint64_t length = 0;
    ASSERT_TRUE(source.Length(&length));
    // The Zip64 end record and its locator stand right behind the central directory.
    std::vector<uint8_t> tail(kZip64EndRecordSize + kZip64EndLocatorSize + kEndRecordSize);
    ASSERT_TRUE(source.ReadAt(length - tail.size(), tail.data(), tail.size()));
    Zip64EndOfCentralDirectory zip64End;
    Zip64EndLocator locator;
    EndOfCentralDirectory end32;
    ASSERT_TRUE(Decode(tail.data(), zip64End));
    ASSERT_TRUE(Decode(tail.data() + kZip64EndRecordSize, locator));
    ASSERT_TRUE(Decode(tail.data() + kZip64EndRecordSize + kZip64EndLocatorSize, end32));
    EXPECT_EQ(zip64End.entriesTotal, 4u);
    EXPECT_EQ(zip64End.centralDirectoryOffset, directoryOffset);
    EXPECT_EQ(locator.endRecordOffset, directoryOffset + zip64End.centralDirectorySize);
    EXPECT_EQ(end32.centralDirectoryOffset, kZip64Marker32);

    EndRecord end;
    ASSERT_TRUE(ReadEndRecord(source, FindEndRecord(source), &end));
    ASSERT_TRUE(SettleEntryCount(source, &end));
    EXPECT_TRUE(end.zip64);
    EXPECT_EQ(end.directoryOffset, directoryOffset);
    ASSERT_EQ(end.entryCount, 4);

    CentralDirectoryCursor cursor(source, end);
    ASSERT_EQ(cursor.First(), ReaderCode::ReaderOk);
    std::vector<uint8_t> buffer(kEntryChunkSize + 1000);
    for (size_t i = 0; i < 4; ++i, cursor.Next()) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::Message() << "entry " << i);
        const CentralFileHeader& h = cursor.header();
        const EntryExtent& extent = cursor.extent();
        ASSERT_TRUE(extent.known);
        EXPECT_EQ(h.method, c.method);
        EXPECT_EQ(extent.localHeaderOffset, written[i].localHeaderOffset);
        EXPECT_EQ(h.localHeaderOffset == kZip64Marker32, extent.localHeaderOffset > k4GiB);
        EXPECT_EQ(extent.compressedSize, written[i].compressedSize);
        EXPECT_EQ(extent.uncompressedSize, c.content.zeros + c.content.bytes.size());
        EXPECT_EQ(h.uncompressedSize == kZip64Marker32, c.content.zeros > 0);
        EXPECT_EQ(h.crc32, c.content.zeros
                               ? written[i].crc32
                               : ComputeCrc32(c.content.bytes.data(), c.content.bytes.size()));

        // Read whole, the long entry too: 64-bit counts of what is left, its CRC-32 checked.
        std::unique_ptr<EntryStream> stream;
        ASSERT_EQ(EntryStream::Open(cursor, "", &stream), ReaderCode::ReaderOk);
        uint64_t total = 0;
        bool same = true;
        int32_t got;
        while ((got = stream->Read(buffer.data(), static_cast<uint32_t>(buffer.size()))) > 0) {
            // The long entry's zeros are left to the CRC-32, which the reader checks.
            if (!c.content.zeros) {
                same =
                    same && total + got <= c.content.bytes.size() &&
                    std::equal(buffer.data(), buffer.data() + got, c.content.bytes.data() + total);
            }
            total += static_cast<uint64_t>(got);
        }
        ASSERT_EQ(got, 0);
        EXPECT_EQ(total, extent.uncompressedSize);
        EXPECT_TRUE(same);
        EXPECT_EQ(stream->Finish(), ReaderCode::ReaderOk);
    }
}

}  // namespace
}  // namespace velmor::zip

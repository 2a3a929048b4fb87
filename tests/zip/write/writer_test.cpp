// The archive writer: layouts of plain and encrypted entries, method choice,
// attributes and times, failures, and positions after a failed entry.
#include <gtest/gtest.h>

#include <algorithm>

#include "test_files.h"
#include "zip/format/crc32.h"
#include "zip/write/writer.h"

namespace velmor::zip {
namespace {

using test::EntryContent;
using test::ParseArchive;
using test::ParsedArchive;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

constexpr uint64_t kTicks = kFileTimeTicksPerSecond;
// 2021-03-04 05:06:08 UTC and neighbours, as file times.
const uint64_t kWriteTime = UnixTimeToFileTime(1614834368) + 3 * kTicks / 10;
const uint64_t kAccessTime = UnixTimeToFileTime(1614900000);
const uint64_t kCreationTime = UnixTimeToFileTime(1600000000);

ExtendedTimestamp Timestamp(const std::vector<uint8_t>& extra) {
    ExtendedTimestamp ts;
    EXPECT_TRUE(FindExtendedTimestamp(extra.data(), extra.size(), &ts));
    return ts;
}

TEST(ZipWriter, ArchiveWithoutEntriesIsTheEndRecordAlone) {
    ScratchFolder dir;
    const std::wstring zip = dir / L"empty.zip";
    WriteBytes(zip, std::vector<uint8_t>(1000, 0xAA));  // replaced, not appended to
    auto writer = ArchiveWriter::Create(zip, "");
    ASSERT_TRUE(writer);
    EXPECT_EQ(writer->Finish(), ArchiveStatus::Ok);
    const std::vector<uint8_t> expected = {'P', 'K', 5, 6, 0, 0, 0, 0, 0, 0, 0,
                                           0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ReadBytes(zip), expected);
    EXPECT_EQ(writer->Finish(), ArchiveStatus::BadArgument);
    EXPECT_EQ(writer->AddEntry(L"a", zip), ArchiveStatus::BadArgument);
}

TEST(ZipWriter, PlainEntriesHaveFinalHeadersAndNoDescriptor) {
    ScratchFolder dir;
    const auto text = test::TextBytes(100000, 1);  // several 16 KiB pieces
    const auto noise = test::NoiseBytes(40000, 2);
    WriteBytes(dir / L"text.csv", text);
    WriteBytes(dir / L"noise.bin", noise);
    WriteBytes(dir / L"empty.txt", {});
    test::SetTimes(dir / L"text.csv", kCreationTime, kAccessTime, kWriteTime);
    // What the file system kept (Wine on Linux keeps no creation time; reading may move
    // the access time), taken before the writer opens the file.
    WIN32_FILE_ATTRIBUTE_DATA kept;
    ASSERT_TRUE(GetFileAttributesExW((dir / L"text.csv").c_str(), GetFileExInfoStandard, &kept));
    EXPECT_EQ(FileTimeToUnixTime(ToUint64(kept.ftLastAccessTime)), 1614900000);

    const std::wstring zip = dir / L"plain.zip";
    auto writer = ArchiveWriter::Create(zip, "");
    ASSERT_TRUE(writer);
    ASSERT_EQ(writer->AddEntry(L"docs\\sub\\text.csv", dir / L"text.csv"), ArchiveStatus::Ok);
    ASSERT_EQ(writer->AddEntry(L"noise.GZ", dir / L"noise.bin"), ArchiveStatus::Ok);
    ASSERT_EQ(writer->AddEntry(L"empty.txt", dir / L"empty.txt"), ArchiveStatus::Ok);
    ASSERT_EQ(writer->Finish(), ArchiveStatus::Ok);

    const auto bytes = ReadBytes(zip);
    const ParsedArchive archive = ParseArchive(bytes);
    ASSERT_EQ(archive.entries.size(), 3u);
    const auto& t = archive.entries[0];
    EXPECT_EQ(t.centralName, "docs/sub/text.csv");
    EXPECT_EQ(t.localName, t.centralName);
    EXPECT_EQ(t.central.versionMadeBy, 0x0B17);
    EXPECT_EQ(t.central.versionNeeded, 20);
    EXPECT_EQ(t.local.versionNeeded, 20);
    EXPECT_EQ(t.central.method, kMethodDeflated);
    EXPECT_EQ(t.central.flags, 0x0002);
    EXPECT_EQ(t.local.flags, 0x0002);
    EXPECT_EQ(t.local.crc32, ComputeCrc32(text.data(), text.size()));
    EXPECT_EQ(t.central.crc32, t.local.crc32);
    EXPECT_EQ(t.local.compressedSize, t.central.compressedSize);
    EXPECT_LT(t.central.compressedSize, text.size() / 2);
    EXPECT_EQ(t.local.uncompressedSize, text.size());
    EXPECT_EQ(t.central.localHeaderOffset, 0u);
    EXPECT_EQ(EntryContent(bytes, t), text);

    const auto& n = archive.entries[1];
    EXPECT_EQ(n.central.method, kMethodStored);
    EXPECT_EQ(n.central.flags, 0x0000);
    EXPECT_EQ(n.local.compressedSize, noise.size());
    // Each entry starts right after the previous one's data: no descriptor in between.
    EXPECT_EQ(n.central.localHeaderOffset, t.dataOffset + t.central.compressedSize);
    EXPECT_EQ(EntryContent(bytes, n), noise);

    const auto& e = archive.entries[2];
    EXPECT_EQ(e.central.compressedSize, 2u);
    EXPECT_EQ(e.central.uncompressedSize, 0u);
    EXPECT_EQ(e.central.crc32, 0u);
    EXPECT_EQ(bytes[e.dataOffset], 0x03);
    EXPECT_EQ(bytes[e.dataOffset + 1], 0x00);
    EXPECT_EQ(archive.end.centralDirectoryOffset, e.dataOffset + 2);

    // Times: three in the local block, modification only in the central one.
    EXPECT_EQ(t.localExtra.size(), 17u);
    EXPECT_EQ(t.centralExtra.size(), 9u);
    const ExtendedTimestamp local = Timestamp(t.localExtra);
    EXPECT_EQ(local.flags, 7);
    EXPECT_EQ(local.modification, 1614834368);
    EXPECT_EQ(local.access, FileTimeToUnixTime(ToUint64(kept.ftLastAccessTime)));
    EXPECT_EQ(local.creation, FileTimeToUnixTime(ToUint64(kept.ftCreationTime)));
    EXPECT_EQ(t.centralExtra[4], 7);
    EXPECT_EQ(Timestamp(t.centralExtra).modification, 1614834368);
    uint32_t dos = 0;
    ASSERT_TRUE(UtcFileTimeToDosDateTime(ToFileTime(kWriteTime), &dos));
    EXPECT_EQ(t.central.dosDateTime, dos);
    EXPECT_EQ(t.local.dosDateTime, dos);
}

TEST(ZipWriter, EncryptedEntriesCarryDescriptorAndCheckByte) {
    ScratchFolder dir;
    const auto text = test::TextBytes(50000, 3);
    const auto noise = test::NoiseBytes(20000, 4);
    WriteBytes(dir / L"a.xml", text);
    WriteBytes(dir / L"b.zip", noise);
    WriteBytes(dir / L"c.txt", {});

    const std::wstring zip = dir / L"enc.zip";
    auto writer = ArchiveWriter::Create(zip, "S3cret");
    ASSERT_TRUE(writer);
    ASSERT_EQ(writer->AddEntry(L"a.xml", dir / L"a.xml"), ArchiveStatus::Ok);
    ASSERT_EQ(writer->AddEntry(L"b.zip", dir / L"b.zip"), ArchiveStatus::Ok);
    ASSERT_EQ(writer->AddEntry(L"c.txt", dir / L"c.txt"), ArchiveStatus::Ok);
    ASSERT_EQ(writer->Finish(), ArchiveStatus::Ok);

    const auto bytes = ReadBytes(zip);
    const ParsedArchive archive = ParseArchive(bytes);
    ASSERT_EQ(archive.entries.size(), 3u);
    const auto& a = archive.entries[0];
    EXPECT_EQ(a.central.flags, 0x0009);
    EXPECT_EQ(a.local.flags, 0x0009);
    EXPECT_EQ(a.local.crc32, 0u);
    EXPECT_EQ(a.local.compressedSize, 0u);  // deflated: unknown in advance
    EXPECT_EQ(a.local.uncompressedSize, text.size());
    EXPECT_EQ(EntryContent(bytes, a, "S3cret"), text);  // also checks the check byte
    // The descriptor follows the data and repeats the central values.
    const size_t dd = a.dataOffset + a.central.compressedSize;
    EXPECT_EQ(ReadU32(&bytes[dd]), kDataDescriptorSignature);
    EXPECT_EQ(ReadU32(&bytes[dd + 4]), a.central.crc32);
    EXPECT_EQ(ReadU32(&bytes[dd + 8]), a.central.compressedSize);
    EXPECT_EQ(ReadU32(&bytes[dd + 12]), a.central.uncompressedSize);

    const auto& b = archive.entries[1];
    EXPECT_EQ(b.central.method, kMethodStored);
    EXPECT_EQ(b.local.compressedSize, noise.size() + 12);
    EXPECT_EQ(b.central.compressedSize, noise.size() + 12);
    EXPECT_EQ(b.central.localHeaderOffset, dd + kDataDescriptorSize);
    EXPECT_EQ(EntryContent(bytes, b, "S3cret"), noise);

    const auto& c = archive.entries[2];
    EXPECT_EQ(c.central.compressedSize, 14u);
    EXPECT_EQ(EntryContent(bytes, c, "S3cret"), std::vector<uint8_t>{});
}

TEST(ZipWriter, NamesOutsideTheCodePageAreUtf8WithBit11InBothFlags) {
    ScratchFolder dir;
    WriteBytes(dir / L"f.txt", {'f'});
    for (const char* password : {"", "pw"}) {
        const std::wstring zip = dir / L"names.zip";
        auto writer = ArchiveWriter::Create(zip, password);
        ASSERT_TRUE(writer);
        ASSERT_EQ(writer->AddEntry(L"\u6570\u636e\\\u62a5\u544a.txt", dir / L"f.txt"),
                  ArchiveStatus::Ok);
        ASSERT_EQ(writer->AddEntry(L"plain.txt", dir / L"f.txt"), ArchiveStatus::Ok);
        // Refused whole, never cut: 87 characters of three UTF-8 bytes each, a lone surrogate.
        const uint64_t before = writer->written();
        EXPECT_EQ(writer->AddEntry(std::wstring(87, L'\u6570'), dir / L"f.txt"),
                  ArchiveStatus::BadArgument);
        EXPECT_EQ(writer->AddEntry(L"a\xD800"
                                   L"b",
                                   dir / L"f.txt"),
                  ArchiveStatus::BadArgument);
        EXPECT_EQ(writer->written(), before);
        ASSERT_EQ(writer->AddEntry(std::wstring(86, L'\u6570'), dir / L"f.txt"), ArchiveStatus::Ok);
        ASSERT_EQ(writer->Finish(), ArchiveStatus::Ok);

        const auto bytes = ReadBytes(zip);
        const ParsedArchive archive = ParseArchive(bytes);
        ASSERT_EQ(archive.entries.size(), 3u);
        const uint16_t usual = *password ? 0x0009 : 0x0002;
        const auto& utf8 = archive.entries[0];
        EXPECT_EQ(utf8.centralName, "\xE6\x95\xB0\xE6\x8D\xAE/\xE6\x8A\xA5\xE5\x91\x8A.txt");
        EXPECT_EQ(utf8.localName, utf8.centralName);
        EXPECT_EQ(utf8.central.flags, usual | 0x0800) << password;
        EXPECT_EQ(utf8.local.flags, usual | 0x0800) << password;
        EXPECT_EQ(EntryContent(bytes, utf8, password), std::vector<uint8_t>{'f'});
        EXPECT_EQ(archive.entries[1].central.flags, usual);
        EXPECT_EQ(archive.entries[1].local.flags, usual);
        EXPECT_EQ(archive.entries[2].centralName.size(), 258u);
    }
}

TEST(ZipWriter, IdenticalEncryptedEntriesGetDifferentHeaders) {
    ScratchFolder dir;
    WriteBytes(dir / L"same.txt", test::TextBytes(1000, 5));
    const std::wstring zip = dir / L"twice.zip";
    auto writer = ArchiveWriter::Create(zip, "pw");
    ASSERT_TRUE(writer);
    ASSERT_EQ(writer->AddEntry(L"same.txt", dir / L"same.txt"), ArchiveStatus::Ok);
    ASSERT_EQ(writer->AddEntry(L"same.txt", dir / L"same.txt"), ArchiveStatus::Ok);
    ASSERT_EQ(writer->Finish(), ArchiveStatus::Ok);
    const auto bytes = ReadBytes(zip);
    const ParsedArchive archive = ParseArchive(bytes);
    ASSERT_EQ(archive.entries.size(), 2u);
    const auto header = [&](const test::ParsedEntry& e) {
        return std::vector<uint8_t>(bytes.begin() + e.dataOffset,
                                    bytes.begin() + e.dataOffset + 12);
    };
    // Same time, keys and data: only the random bytes can tell the headers apart.
    ASSERT_EQ(archive.entries[0].central.dosDateTime, archive.entries[1].central.dosDateTime);
    EXPECT_NE(header(archive.entries[0]), header(archive.entries[1]));
    EXPECT_EQ(EntryContent(bytes, archive.entries[1], "pw"), test::TextBytes(1000, 5));
}

TEST(ZipWriter, MethodFollowsTheNameSuffixOnly) {
    for (const wchar_t* stored : {L"a.zip", L"A.ZIP", L"x.tar.gz", L"p.Z", L"p.z", L"d/e.TgZ",
                                  L".arj", L"q.lzh", L"q.arc", L"q.zoo"}) {
        EXPECT_EQ(MethodForEntryName(stored), kMethodStored) << stored;
    }
    for (const wchar_t* deflated :
         {L"readme", L"a.txt", L"a.zip.txt", L"arch.zip/inner", L"a.gzip", L"a.", L"a.zi"}) {
        EXPECT_EQ(MethodForEntryName(deflated), kMethodDeflated) << deflated;
    }
}

TEST(ZipWriter, ExternalAttributesMapDosBitsAndUnixMode) {
    EXPECT_EQ(ExternalAttributesFor(FILE_ATTRIBUTE_ARCHIVE), 0x81800020u);
    EXPECT_EQ(ExternalAttributesFor(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM),
              0x81000007u);
    EXPECT_EQ(ExternalAttributesFor(FILE_ATTRIBUTE_DIRECTORY), 0x41800010u);
    EXPECT_EQ(ExternalAttributesFor(FILE_ATTRIBUTE_NORMAL | 0x2000), 0x81800000u);

    ScratchFolder dir;
    WriteBytes(dir / L"ro.txt", {'x'});
    ASSERT_TRUE(SetFileAttributesW((dir / L"ro.txt").c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    auto writer = ArchiveWriter::Create(dir / L"attr.zip", "");
    ASSERT_EQ(writer->AddEntry(L"ro.txt", dir / L"ro.txt"), ArchiveStatus::Ok);
    ASSERT_EQ(writer->Finish(), ArchiveStatus::Ok);
    const ParsedArchive archive = ParseArchive(ReadBytes(dir / L"attr.zip"));
    ASSERT_EQ(archive.entries.size(), 1u);
    const DWORD kept = GetFileAttributesW((dir / L"ro.txt").c_str());
    EXPECT_EQ(archive.entries[0].central.externalAttributes, ExternalAttributesFor(kept));
    EXPECT_EQ(archive.entries[0].central.externalAttributes & 0x00FF00FFu,
              0x00000003u | (kept & 0x20u));
}

TEST(ZipWriter, RejectedEntriesLeaveTheArchiveUnchanged) {
    ScratchFolder dir;
    WriteBytes(dir / L"ok.txt", {'o', 'k'});
    CreateDirectoryW((dir / L"folder").c_str(), nullptr);
    auto writer = ArchiveWriter::Create(dir / L"r.zip", "");
    ASSERT_TRUE(writer);
    EXPECT_EQ(writer->AddEntry(L"", dir / L"ok.txt"), ArchiveStatus::BadArgument);
    EXPECT_EQ(writer->AddEntry(std::wstring(260, L'n'), dir / L"ok.txt"),
              ArchiveStatus::BadArgument);
    EXPECT_EQ(writer->AddEntry(L"missing", dir / L"missing.txt"), ArchiveStatus::NoFile);
    EXPECT_EQ(writer->AddEntry(L"folder", dir / L"folder"), ArchiveStatus::NoFile);
    EXPECT_EQ(writer->AddEntry(L"empty-path", L""), ArchiveStatus::NoFile);
    EXPECT_EQ(writer->written(), 0u);
    // The longest name that fits, and the same name twice: two entries, in order.
    const std::wstring longest(259, L'n');
    EXPECT_EQ(writer->AddEntry(longest, dir / L"ok.txt"), ArchiveStatus::Ok);
    EXPECT_EQ(writer->AddEntry(longest, dir / L"ok.txt"), ArchiveStatus::Ok);
    ASSERT_EQ(writer->Finish(), ArchiveStatus::Ok);
    const auto bytes = ReadBytes(dir / L"r.zip");
    const ParsedArchive archive = ParseArchive(bytes);
    ASSERT_EQ(archive.entries.size(), 2u);
    EXPECT_EQ(archive.entries[1].centralName, std::string(259, 'n'));
    EXPECT_GT(archive.entries[1].central.localHeaderOffset, 0u);
    EXPECT_EQ(EntryContent(bytes, archive.entries[1]), (std::vector<uint8_t>{'o', 'k'}));
}

TEST(ZipWriter, ArchiveIsLockedUntilFinished) {
    ScratchFolder dir;
    const std::wstring zip = dir / L"lock.zip";
    auto writer = ArchiveWriter::Create(zip, "");
    ASSERT_TRUE(writer);
    HANDLE other = CreateFileW(zip.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE);
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    // The archive itself cannot be packed into itself while it is being written.
    EXPECT_EQ(writer->AddEntry(L"self.zip", zip), ArchiveStatus::NoFile);
    EXPECT_EQ(writer->Finish(), ArchiveStatus::Ok);
    EXPECT_FALSE(ArchiveWriter::Create(dir / L"no\\such\\folder.zip", ""));
}

// An archive in memory whose one chosen Write call writes only half of its bytes.
class FaultyOutput final : public ArchiveOutput {
public:
    FaultyOutput(std::vector<uint8_t>* bytes, int failingWrite)
        : bytes_(bytes), failingWrite_(failingWrite) {}
    uint32_t Write(const void* data, uint32_t size) override {
        const uint32_t n = (++writes_ == failingWrite_) ? size / 2 : size;
        if (bytes_->size() < pos_ + n) bytes_->resize(pos_ + n);
        std::copy_n(static_cast<const uint8_t*>(data), n,
                    bytes_->begin() + static_cast<long>(pos_));
        pos_ += n;
        return n;
    }
    bool SeekTo(uint64_t position) override {
        pos_ = static_cast<size_t>(position);
        return true;
    }
    int writes() const { return writes_; }

private:
    std::vector<uint8_t>* bytes_;
    int failingWrite_;
    int writes_ = 0;
    size_t pos_ = 0;
};

// Whatever write of the middle entry fails, the entries after it sit where the
// central directory says, and the archive reads back through its central directory.
TEST(ZipWriter, RecordsAfterAFailedEntryKeepTheirTruePositions) {
    ScratchFolder dir;
    const auto first = test::TextBytes(1000, 10);
    const auto middle = test::NoiseBytes(40000, 11);  // three deflate pieces and more
    const auto last = test::TextBytes(2000, 12);
    WriteBytes(dir / L"first.txt", first);
    WriteBytes(dir / L"middle.bin", middle);
    WriteBytes(dir / L"last.txt", last);

    for (const std::string password : {"", "pw"}) {
        for (const wchar_t* middleName : {L"middle.bin", L"middle.zip"}) {
            // Count the writes of a clean run first.
            std::vector<uint8_t> clean;
            auto probe = std::make_unique<FaultyOutput>(&clean, 0);
            FaultyOutput* probeView = probe.get();
            ArchiveWriter counting(std::move(probe), password);
            ASSERT_EQ(counting.AddEntry(L"first.txt", dir / L"first.txt"), ArchiveStatus::Ok);
            const int before = probeView->writes();
            ASSERT_EQ(counting.AddEntry(middleName, dir / L"middle.bin"), ArchiveStatus::Ok);
            const int middleWrites = probeView->writes() - before;
            ASSERT_GE(middleWrites, 3);

            for (int k = 1; k <= middleWrites; ++k) {
                SCOPED_TRACE(testing::Message()
                             << "password '" << password << "', " << middleName << ", write " << k);
                std::vector<uint8_t> bytes;
                ArchiveWriter writer(std::make_unique<FaultyOutput>(&bytes, before + k), password);
                ASSERT_EQ(writer.AddEntry(L"first.txt", dir / L"first.txt"), ArchiveStatus::Ok);
                EXPECT_NE(writer.AddEntry(middleName, dir / L"middle.bin"), ArchiveStatus::Ok);
                ASSERT_EQ(writer.AddEntry(L"last.txt", dir / L"last.txt"), ArchiveStatus::Ok);
                ASSERT_EQ(writer.Finish(), ArchiveStatus::Ok);
                ASSERT_EQ(writer.written(), bytes.size());
                const ParsedArchive archive = ParseArchive(bytes);
                ASSERT_EQ(archive.entries.size(), 2u);
                EXPECT_EQ(archive.entries[1].centralName, "last.txt");
                EXPECT_EQ(test::EntryContent(bytes, archive.entries[0], password), first);
                EXPECT_EQ(test::EntryContent(bytes, archive.entries[1], password), last);
            }
        }
    }
}

}  // namespace
}  // namespace velmor::zip

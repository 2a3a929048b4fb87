// Extraction: the entry stream, file and folder output, and names that would escape.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "test_archive_builder.h"
#include "test_sandbox.h"
#include "zip/extract.h"
#include "zip/read/extract_entry_stream.h"
#include "zip/extract_folders.h"
#include "zip/reader.h"

namespace velmor::zip {
namespace {

using test::BuildArchive;
using test::BuiltArchive;
using test::TestEntry;

std::string MixedData(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string data;
    while (data.size() < size) {
        if (random() % 3 == 0) {
            data += "row;" + std::to_string(random() % 1000) + ";text text text\r\n";
        } else {
            for (int i = 0; i < 64; ++i) data.push_back(static_cast<char>(random()));
        }
    }
    data.resize(size);
    return data;
}

TestEntry Entry(const std::string& name, const std::string& data, uint16_t method = 8) {
    TestEntry e;
    e.name = name;
    e.data = data;
    e.method = method;
    return e;
}

// The archive lives in the sandbox; extraction goes to sandbox\outer\out, so anything that
// escapes the root lands where the tests can see it.
class ZipExtract : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryW((box_ / L"outer").c_str(), nullptr);
        root_ = box_ / L"outer\\out";
        CreateDirectoryW(root_.c_str(), nullptr);
        ASSERT_TRUE(SetCurrentDirectoryW(root_.c_str()));
    }

    std::unique_ptr<ArchiveReader> Open(const std::string& bytes,
                                        const std::string& password = "") {
        test::WriteFileBytes(box_ / L"a.zip", bytes);
        return ArchiveReader::Open(box_ / L"a.zip", password);
    }

    ArchiveStatus ExtractAll(ArchiveReader& reader) {
        for (int32_t i = 0; i < reader.entryCount(); ++i) {
            ArchiveEntry entry;
            ArchiveStatus status = reader.GetItem(i, &entry);
            if (status == ArchiveStatus::Ok) status = ExtractEntry(reader, i, entry.name);
            if (status != ArchiveStatus::Ok) return status;
        }
        return ArchiveStatus::Ok;
    }

    std::string Out(const std::wstring& name, bool* found = nullptr) {
        return test::ReadFileBytes(root_ + L"\\" + name, found);
    }

    // Everything in the sandbox outside the extraction folder.
    std::vector<std::wstring> OutsideRoot() {
        std::vector<std::wstring> outside;
        for (const std::wstring& path : test::ListTree(box_.path())) {
            if (path != L"a.zip" && path != L"outer\\" &&
                path.compare(0, 10, L"outer\\out\\") != 0) {
                outside.push_back(path);
            }
        }
        return outside;
    }

    test::CurrentDirectoryGuard cwd_;
    test::Sandbox box_;
    std::wstring root_;
};

TEST_F(ZipExtract, StoredDeflatedAndEncryptedEntriesComeBackExactly) {
    const std::string big = MixedData(200000, 1);
    std::vector<TestEntry> entries = {
        Entry("stored.bin", big, 0),    Entry("deflated.bin", big),
        Entry("empty.txt", ""),         Entry("enc-stored.bin", big, 0),
        Entry("enc-deflated.bin", big), Entry("enc-descriptor.bin", big)};
    entries[3].password = entries[4].password = entries[5].password = "Pa55";
    entries[5].dataDescriptor = true;
    auto reader = Open(BuildArchive(entries).bytes, "Pa55");
    ASSERT_TRUE(reader);
    ASSERT_EQ(ExtractAll(*reader), ArchiveStatus::Ok);
    for (const wchar_t* name : {L"stored.bin", L"deflated.bin", L"enc-stored.bin",
                                L"enc-deflated.bin", L"enc-descriptor.bin"}) {
        EXPECT_TRUE(Out(name) == big) << name;
    }
    bool found = false;
    EXPECT_EQ(Out(L"empty.txt", &found), "");
    EXPECT_TRUE(found);
}

TEST_F(ZipExtract, StreamGivesSameBytesWhateverTheReadSize) {
    const std::string data = MixedData(40000, 2);
    for (uint16_t method : {uint16_t{0}, uint16_t{8}}) {
        std::vector<TestEntry> entries = {Entry("x", data, method)};
        entries[0].password = "k";
        auto reader = Open(BuildArchive(entries).bytes, "k");
        ASSERT_TRUE(reader);
        for (uint32_t capacity : {1u, 7u, 11u, 12u, 13u, 4096u, 16384u, 100000u}) {
            ASSERT_EQ(reader->cursor().MoveTo(0), ReaderCode::ReaderOk);
            std::unique_ptr<EntryStream> stream;
            ASSERT_EQ(EntryStream::Open(reader->cursor(), "k", &stream), ReaderCode::ReaderOk);
            std::string out;
            std::vector<uint8_t> buffer(capacity);
            int32_t r;
            while ((r = stream->Read(buffer.data(), capacity)) > 0) {
                ASSERT_LE(static_cast<uint32_t>(r), capacity);
                out.append(reinterpret_cast<char*>(buffer.data()), r);
            }
            EXPECT_EQ(r, 0);
            EXPECT_EQ(stream->Finish(), ReaderCode::ReaderOk);
            EXPECT_TRUE(out == data) << "method " << method << " capacity " << capacity;
        }
    }
}

TEST_F(ZipExtract, FileGetsAttributesAndTimesOfTheEntry) {
    std::vector<TestEntry> entries = {Entry("ro.txt", "read only"), Entry("hs.txt", "hidden")};
    entries[0].externalAttributes = 0x21;
    entries[0].localExtra = test::TimestampBlock(7, 1500000000, 1500000500, 1400000000);
    entries[1].externalAttributes = 0x06;
    auto reader = Open(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    ASSERT_EQ(ExtractAll(*reader), ArchiveStatus::Ok);
    const std::wstring ro = root_ + L"\\ro.txt";
    EXPECT_EQ(GetFileAttributesW(ro.c_str()) & 0x27u, 0x21u);
    // The platform may add the archive bit to a new file.
    EXPECT_EQ(GetFileAttributesW((root_ + L"\\hs.txt").c_str()) & 0x07u, 0x06u);
    uint64_t creation = 0, access = 0, write = 0;
    ASSERT_TRUE(test::GetTimes(ro, &creation, &access, &write));
    auto unix = [](uint64_t t) { return t * 10000000ull + 116444736000000000ull; };
    EXPECT_EQ(write, unix(1500000000));
    EXPECT_EQ(access, unix(1500000500));
    if (!test::RunningUnderWine()) {
        EXPECT_EQ(creation, unix(1400000000));
    }

    // A second run replaces what it can; the read-only file refuses and stops the run.
    if (test::PlatformProtectsReadOnlyFiles(box_.path())) {
        EXPECT_EQ(ExtractEntry(*reader, 0, L"ro.txt"), ArchiveStatus::NoFile);
        EXPECT_EQ(Out(L"ro.txt"), "read only");
    }
}

TEST_F(ZipExtract, WrongPasswordLeavesAnEmptyFileWithoutTimes) {
    std::vector<TestEntry> entries = {Entry("s.txt", "secret data", 0), Entry("z.txt", "")};
    entries[0].password = entries[1].password = "right";
    entries[0].externalAttributes = 0x21;
    entries[0].localExtra = test::TimestampBlock(1, 1000000000, 0, 0);
    for (const char* password : {"wrong", ""}) {
        auto reader = Open(BuildArchive(entries).bytes, password);
        ASSERT_TRUE(reader);
        ArchiveEntry entry;
        ASSERT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Ok);
        EXPECT_EQ(ExtractEntry(*reader, 0, entry.name), ArchiveStatus::BadPassword) << password;
        bool found = false;
        EXPECT_EQ(Out(L"s.txt", &found), "");
        EXPECT_TRUE(found);
        EXPECT_EQ(GetFileAttributesW((root_ + L"\\s.txt").c_str()) & 0x27u, 0x21u);
        uint64_t creation = 0, access = 0, write = 0;
        ASSERT_TRUE(test::GetTimes(root_ + L"\\s.txt", &creation, &access, &write));
        EXPECT_NE(write, 1000000000ull * 10000000ull + 116444736000000000ull);
        test::RemoveTree(root_ + L"\\s.txt");
        // An empty encrypted entry is never checked.
        EXPECT_EQ(ExtractEntry(*reader, 1, L"z.txt"), ArchiveStatus::Ok);
    }
}

TEST_F(ZipExtract, DamagedOrIncompleteDataIsAFailure) {
    const std::string data = MixedData(50000, 3);
    std::vector<TestEntry> entries = {Entry("stored", data, 0), Entry("deflated", data)};
    const BuiltArchive good = BuildArchive(entries);
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::vector<Case> cases;
    std::string b = good.bytes;
    b[good.dataOffsets[0] + 1000] ^= 0x40;  // same length, altered byte: CRC differs
    cases.push_back({"altered stored data", b});
    b = good.bytes;
    b[good.dataOffsets[1] + 200] ^= 0x55;
    cases.push_back({"damaged deflate data", b});
    // Stored entry whose data ends before its recorded size (both headers agree).
    b = good.bytes;
    test::PutU32(b, good.localOffsets[0] + 18, 100);
    test::PutU32(b, good.centralOffsets[0] + 20, 100);
    cases.push_back({"short stored data", b});
    // Deflate stream that ends before the recorded uncompressed size.
    b = good.bytes;
    test::PutU32(b, good.localOffsets[1] + 22, 60000);
    test::PutU32(b, good.centralOffsets[1] + 24, 60000);
    cases.push_back({"deflate stream ends early", b});
    // Compressed size running past the end of the file.
    b = good.bytes;
    test::PutU32(b, good.localOffsets[1] + 18, 0x7FFFFFF0);
    test::PutU32(b, good.centralOffsets[1] + 20, 0x7FFFFFF0);
    cases.push_back({"compressed size beyond the file", b});
    for (const Case& c : cases) {
        auto reader = Open(c.bytes);
        ASSERT_TRUE(reader) << c.what;
        EXPECT_EQ(ExtractAll(*reader), ArchiveStatus::FlateFailed) << c.what;
    }
}

TEST_F(ZipExtract, DataBeyondTheRecordedSizeIsCutOff) {
    const std::string data = MixedData(30000, 4);
    std::vector<TestEntry> entries = {Entry("d", data), Entry("s", data, 0)};
    BuiltArchive built = BuildArchive(entries);
    const std::string head = data.substr(0, 1000);
    const uint32_t crc = ComputeCrc32(head.data(), head.size());
    for (int i = 0; i < 2; ++i) {
        test::PutU32(built.bytes, built.localOffsets[i] + 14, crc);
        test::PutU32(built.bytes, built.localOffsets[i] + 22, 1000);
        test::PutU32(built.bytes, built.centralOffsets[i] + 16, crc);
        test::PutU32(built.bytes, built.centralOffsets[i] + 24, 1000);
    }
    auto reader = Open(built.bytes);
    ASSERT_TRUE(reader);
    ASSERT_EQ(ExtractAll(*reader), ArchiveStatus::Ok);
    EXPECT_TRUE(Out(L"d") == head);
    EXPECT_TRUE(Out(L"s") == head);
}

TEST_F(ZipExtract, FoldersFromDirectoryEntriesAndFromFileNames) {
    std::vector<TestEntry> entries = {Entry("a/b/", "", 0), Entry("a/b/c.txt", "c"),
                                      Entry("p\\q\\r.txt", "r"), Entry("x/../y/f.txt", "f")};
    entries[0].externalAttributes = 0x10;
    auto reader = Open(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    for (int i = 0; i < 3; ++i) {
        ArchiveEntry entry;
        ASSERT_EQ(reader->GetItem(i, &entry), ArchiveStatus::Ok);
        EXPECT_EQ(ExtractEntry(*reader, i, entry.name), ArchiveStatus::Ok) << i;
    }
    EXPECT_EQ(Out(L"a\\b\\c.txt"), "c");
    EXPECT_EQ(Out(L"p\\q\\r.txt"), "r");
    // A folder part with a parent step makes no folder, so the file has nowhere to go.
    EXPECT_EQ(ExtractEntry(*reader, 3, L"x/../y/f.txt"), ArchiveStatus::NoFile);
    EXPECT_FALSE(test::PathExists(root_ + L"\\x"));
    EXPECT_FALSE(test::PathExists(root_ + L"\\y"));
    CreateDirectoryW((root_ + L"\\y").c_str(), nullptr);
    EXPECT_EQ(ExtractEntry(*reader, 3, L"x/../y/f.txt"), ArchiveStatus::Ok);
    EXPECT_EQ(Out(L"y\\f.txt"), "f");
}

TEST_F(ZipExtract, NameEndingInSeparatorIsAFolderWhateverItsAttributes) {
    std::vector<TestEntry> entries = {Entry("plain/", "", 0), Entry("plain/f.txt", "f")};
    entries[0].versionMadeBy = 20;  // FAT host, attributes left zero
    entries[0].externalAttributes = 0;
    auto reader = Open(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    ASSERT_EQ(ExtractAll(*reader), ArchiveStatus::Ok);
    EXPECT_TRUE(GetFileAttributesW((root_ + L"\\plain").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(Out(L"plain\\f.txt"), "f");
}

TEST_F(ZipExtract, EnsureFoldersMakesParentsFirst) {
    EnsureFolders(root_ + L"\\", L"m/n\\o/");
    EXPECT_TRUE(test::PathExists(root_ + L"\\m\\n\\o"));
    EnsureFolders(root_ + L"\\", L"");
    EXPECT_EQ(FolderPartToMake(L"a/b/c.txt"), L"a/b");
    EXPECT_EQ(FolderPartToMake(L"c.txt"), L"");
    EXPECT_EQ(FolderPartToMake(L"/a/c.txt"), L"");
    EXPECT_EQ(FolderPartToMake(L"C:/c.txt"), L"");
    EXPECT_EQ(FolderPartToMake(L"a/../x/c.txt"), L"");
    EXPECT_EQ(FolderPartToMake(L"a/..\\b/c.txt"), L"");
}

TEST_F(ZipExtract, NamesLeadingOutsideTheRootCreateNothing) {
    const char* unsafe[] = {"../evil.txt",
                            "..\\evil.txt",
                            "a/../../evil.txt",
                            "a/b/../../../evil.txt",
                            "/evil.txt",
                            "\\evil.txt",
                            "\\\\server\\share\\evil.txt",
                            "C:evil.txt",
                            "C:\\evil.txt",
                            "Z:/evil.txt",
                            "file.txt:hidden",
                            "dir/file.txt::$DATA",
                            ".../evil.txt",
                            ".. /evil.txt",
                            "a/.. ./evil.txt",
                            "NUL",
                            "dir/com1.txt",
                            "con",
                            "../evildir/",
                            "a/../../evildir/"};
    std::vector<TestEntry> entries;
    for (const char* name : unsafe) {
        TestEntry e = Entry(name, "escaped");
        if (name[strlen(name) - 1] == '/') e.externalAttributes = 0x10;
        entries.push_back(e);
    }
    auto reader = Open(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    for (int i = 0; i < reader->entryCount(); ++i) {
        ArchiveEntry entry;
        ASSERT_EQ(reader->GetItem(i, &entry), ArchiveStatus::Ok);
        EXPECT_EQ(ExtractEntry(*reader, i, entry.name), ArchiveStatus::NoFile) << unsafe[i];
    }
    EXPECT_TRUE(OutsideRoot().empty());
    EXPECT_TRUE(test::ListTree(root_).empty());
    EXPECT_FALSE(test::PathExists(L"Z:\\evil.txt"));
    EXPECT_FALSE(test::PathExists(L"C:\\evil.txt"));
}

TEST_F(ZipExtract, ParentStepsThatStayInsideAreAllowed) {
    EXPECT_TRUE(IsContainedEntryName(L"a/../b.txt"));
    EXPECT_TRUE(IsContainedEntryName(L"a/./b/../c/"));
    EXPECT_TRUE(IsContainedEntryName(L"a..b/c.txt"));
    EXPECT_TRUE(IsContainedEntryName(L"console.txt"));
    EXPECT_FALSE(IsContainedEntryName(L""));
    EXPECT_FALSE(IsContainedEntryName(L"a/../.."));
    EXPECT_FALSE(IsContainedEntryName(L"LPT9.log"));
}

TEST_F(ZipExtract, JoinedPathMustFitItsField) {
    const size_t room = 259 - (root_.size() + 1);
    std::vector<TestEntry> entries = {Entry(std::string(room, 'f'), "fits"),
                                      Entry(std::string(room - 1, 'g') + "/x", "too long")};
    auto reader = Open(BuildArchive(entries).bytes);
    ASSERT_TRUE(reader);
    ArchiveEntry entry;
    ASSERT_EQ(reader->GetItem(0, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(ExtractEntry(*reader, 0, entry.name), ArchiveStatus::Ok);
    ASSERT_EQ(reader->GetItem(1, &entry), ArchiveStatus::Ok);
    EXPECT_EQ(ExtractEntry(*reader, 1, entry.name), ArchiveStatus::NoFile);
    EXPECT_FALSE(test::PathExists(root_ + L"\\" + std::wstring(room - 1, L'g')));
}

TEST_F(ZipExtract, ArgumentsAreChecked) {
    auto reader = Open(BuildArchive({Entry("a", "a")}).bytes);
    ASSERT_TRUE(reader);
    EXPECT_EQ(ExtractEntry(*reader, -1, L"a"), ArchiveStatus::BadArgument);
    EXPECT_EQ(ExtractEntry(*reader, 1, L"a"), ArchiveStatus::BadArgument);
    EXPECT_EQ(ExtractEntry(*reader, 0, L"renamed"), ArchiveStatus::Ok);
    EXPECT_EQ(Out(L"renamed"), "a");
}

TEST_F(ZipExtract, PrefixedArchiveExtractsTheSame) {
    const std::string data = MixedData(20000, 5);
    std::vector<TestEntry> entries = {Entry("p.bin", data)};
    entries[0].password = "x";
    auto reader = Open(std::string(4096, 'M') + BuildArchive(entries).bytes, "x");
    ASSERT_TRUE(reader);
    ASSERT_EQ(ExtractAll(*reader), ArchiveStatus::Ok);
    EXPECT_TRUE(Out(L"p.bin") == data);
}

}  // namespace
}  // namespace velmor::zip

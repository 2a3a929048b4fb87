// The Pack job: splitting the file list and the result codes it hands back.
#include <gtest/gtest.h>

#include "test_files.h"
#include "zip/pack.h"

namespace velmor::zip {
namespace {

using test::ParseArchive;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(ZipFileList, SplitsPairsVerbatim) {
    const FileList list = SplitFileList(L"a b,c.txt\tC:\\data\\a.txt\tdocs\\b.doc\tD:\\b.doc");
    ASSERT_EQ(list.pairs.size(), 2u);
    EXPECT_EQ(list.pairs[0].entryName, L"a b,c.txt");
    EXPECT_EQ(list.pairs[0].sourcePath, L"C:\\data\\a.txt");
    EXPECT_EQ(list.pairs[1].entryName, L"docs\\b.doc");
    EXPECT_EQ(list.pairs[1].sourcePath, L"D:\\b.doc");
    EXPECT_FALSE(list.endsWithLoneName);

    const FileList three = SplitFileList(L"a\tpa\tb");
    EXPECT_EQ(three.pairs.size(), 1u);
    EXPECT_TRUE(three.endsWithLoneName);

    EXPECT_TRUE(SplitFileList(L"").endsWithLoneName);  // one empty name, no path
    const FileList emptyPath = SplitFileList(L"a\t\tb\tpb");
    ASSERT_EQ(emptyPath.pairs.size(), 2u);
    EXPECT_EQ(emptyPath.pairs[0].sourcePath, L"");
    const FileList trailingTab = SplitFileList(L"a\tpa\t");
    EXPECT_EQ(trailingTab.pairs.size(), 1u);
    EXPECT_TRUE(trailingTab.endsWithLoneName);
}

class ZipPack : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(dir_ / L"a.txt", test::TextBytes(3000, 7));
        WriteBytes(dir_ / L"b.bin", test::NoiseBytes(500, 8));
    }
    std::wstring Pair(const std::wstring& name, const std::wstring& file) const {
        return name + L"\t" + (dir_ / file);
    }
    ScratchFolder dir_;
};

TEST_F(ZipPack, PacksEveryPairInOrder) {
    const std::wstring zip = dir_ / L"ok.zip";
    EXPECT_EQ(PackFiles(zip, Pair(L"x\\a.txt", L"a.txt") + L"\t" + Pair(L"b.bin", L"b.bin"), ""),
              kResultOk);
    const auto archive = ParseArchive(ReadBytes(zip));
    ASSERT_EQ(archive.entries.size(), 2u);
    EXPECT_EQ(archive.entries[0].centralName, "x/a.txt");
    EXPECT_EQ(archive.entries[1].centralName, "b.bin");
    EXPECT_EQ(archive.entries[0].central.flags, 0x0002);

    EXPECT_EQ(PackFiles(zip, Pair(L"a.txt", L"a.txt"), "pw"), kResultOk);
    const auto encrypted = ParseArchive(ReadBytes(zip));
    ASSERT_EQ(encrypted.entries.size(), 1u);
    EXPECT_EQ(encrypted.entries[0].central.flags, 0x0009);
}

// A failed Pack leaves the archive's name as it was: no archive, or the one that stood there.
TEST_F(ZipPack, LoneNameGives53AndWritesNothing) {
    const std::wstring zip = dir_ / L"lone.zip";
    EXPECT_EQ(PackFiles(zip, Pair(L"a.txt", L"a.txt") + L"\tb.bin", ""), kResultFileNamesError);
    EXPECT_FALSE(Exists(zip));

    const std::wstring none = dir_ / L"none.zip";
    EXPECT_EQ(PackFiles(none, L"just-a-name", ""), kResultFileNamesError);
    EXPECT_FALSE(Exists(none));
    EXPECT_EQ(PackFiles(none, L"", ""), kResultFileNamesError);
    EXPECT_FALSE(Exists(none));
}

TEST_F(ZipPack, FailingEntryGives51AndKeepsTheOldArchive) {
    const std::wstring zip = dir_ / L"fail.zip";
    EXPECT_EQ(
        PackFiles(zip, Pair(L"missing", L"missing.txt") + L"\t" + Pair(L"a.txt", L"a.txt"), ""),
        kResultAddError);
    EXPECT_FALSE(Exists(zip));

    ASSERT_EQ(PackFiles(zip, Pair(L"b.bin", L"b.bin"), ""), kResultOk);
    const std::vector<uint8_t> old = ReadBytes(zip);
    EXPECT_EQ(PackFiles(zip, Pair(L"a.txt", L"a.txt") + L"\tb\t\t" + Pair(L"b.bin", L"b.bin"), ""),
              kResultAddError);
    EXPECT_TRUE(ReadBytes(zip) == old);

    // An empty entry name is refused, not stored.
    EXPECT_EQ(PackFiles(zip, L"\t" + (dir_ / L"a.txt"), ""), kResultAddError);
    EXPECT_TRUE(ReadBytes(zip) == old);
    // Nothing of the failed attempts is left beside the archive.
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((dir_ / L"*.tmp").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(ZipPack, FieldsBeyondTheirBuffersFailWithoutCutting) {
    // Archive name of 260 characters: 50, nothing created.
    std::wstring longName = dir_.path() + L"\\";
    longName += std::wstring(260 - longName.size() - 4, L'z') + L".zip";
    ASSERT_EQ(longName.size(), 260u);
    EXPECT_EQ(PackFiles(longName, Pair(L"a.txt", L"a.txt"), ""), kResultPackError);

    // Entry name of 260 characters: 51, and no entry cut down to 259.
    const std::wstring zip = dir_ / L"names.zip";
    EXPECT_EQ(PackFiles(zip, Pair(std::wstring(260, L'e'), L"a.txt"), ""), kResultAddError);
    EXPECT_FALSE(Exists(zip));

    // A list that does not fit 49152 units with its tab and terminator: 53, no archive.
    const std::wstring big = dir_ / L"big.zip";
    std::wstring list = Pair(L"a.txt", L"a.txt") + L"\t";
    list += std::wstring(kFileListCapacity - 1 - list.size(), L'n');  // fits exactly
    ASSERT_EQ(list.size() + 2, kFileListCapacity + 1);
    EXPECT_EQ(PackFiles(big, list, ""), kResultFileNamesError);
    EXPECT_FALSE(Exists(big));
    list.pop_back();  // now it fits, and the long lone name gives 53
    EXPECT_EQ(PackFiles(big, list, ""), kResultFileNamesError);
    EXPECT_FALSE(Exists(big));
}

// The same lists on one thread and on several: the same result and the same archive.
TEST_F(ZipPack, OneThreadOrSeveralGiveTheSameArchive) {
    WriteBytes(dir_ / L"empty.txt", {});
    WriteBytes(dir_ / L"large.csv", test::TextBytes(3 << 20, 9));  // streams through many pieces
    // Each archive records the sources' access times: the first read of a new file moves its
    // access time, so every source is read once before either archive is made.
    for (const wchar_t* name : {L"a.txt", L"b.bin", L"empty.txt", L"large.csv"})
        ReadBytes(dir_ / name);
    const std::wstring all = Pair(L"a.txt", L"a.txt") + L"\t" + Pair(L"b.zip", L"b.bin") + L"\t" +
                             Pair(L"empty.txt", L"empty.txt") + L"\t" +
                             Pair(L"large.csv", L"large.csv") + L"\t" + Pair(L"b.bin", L"b.bin");
    struct Case {
        const char* what;
        std::wstring list;
        long result;
    };
    const Case cases[] = {
        {"stored, deflated, empty and large", all, kResultOk},
        {"a missing source in the middle",
         Pair(L"a.txt", L"a.txt") + L"\t" + Pair(L"gone", L"gone.txt") + L"\t" + all,
         kResultAddError},
        {"a lone name at the end", all + L"\tlone.txt", kResultFileNamesError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> archives[2];
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(SetEnvironmentVariableW(L"VELMOR_PACK_THREADS", i == 0 ? L"1" : L"4"));
            EXPECT_EQ(PackThreads(), i == 0 ? 1u : 4u);
            EXPECT_EQ(ReadThreads(1), i == 0 ? 1u : 4u);  // a number asked for is obeyed
            const std::wstring zip = dir_ / (i == 0 ? L"one.zip" : L"four.zip");
            EXPECT_EQ(PackFiles(zip, c.list, ""), c.result);
            archives[i] = ReadBytes(zip);
        }
        EXPECT_TRUE(archives[0] == archives[1]);
        // A failed case leaves the archive of the first one in place.
        EXPECT_GT(ParseArchive(archives[0]).entries.size(), 0u);
    }
    SetEnvironmentVariableW(L"VELMOR_PACK_THREADS", nullptr);
    EXPECT_GE(PackThreads(), 1u);
    EXPECT_EQ(ReadThreads(kThreadedReadMinimum - 1), 1u);
    EXPECT_EQ(ReadThreads(kThreadedReadMinimum), PackThreads());
}

TEST_F(ZipPack, UncreatableArchiveGives50) {
    EXPECT_EQ(PackFiles(dir_ / L"no\\such\\dir\\x.zip", Pair(L"a.txt", L"a.txt"), ""),
              kResultPackError);
    EXPECT_EQ(PackFiles(L"", Pair(L"a.txt", L"a.txt"), ""), kResultPackError);
}

}  // namespace
}  // namespace velmor::zip

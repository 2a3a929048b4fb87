// UnpackArchive: result codes, the current directory it leaves, and what stays on failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_archive_builder.h"
#include "test_sandbox.h"
#include "zip/format/crc32.h"
#include "zip/unpack.h"

namespace velmor::zip {
namespace {

using test::BuildArchive;
using test::TestEntry;

TestEntry Entry(const std::string& name, const std::string& data,
                const std::string& password = "") {
    TestEntry e;
    e.name = name;
    e.data = data;
    e.password = password;
    return e;
}

class ZipUnpack : public ::testing::Test {
protected:
    void SetUp() override {
        dest_ = box_ / L"dest";
        CreateDirectoryW(dest_.c_str(), nullptr);
    }

    std::wstring Archive(const std::vector<TestEntry>& entries) {
        const std::wstring path = box_ / L"a.zip";
        test::WriteFileBytes(path, BuildArchive(entries).bytes);
        return path;
    }

    std::string Out(const std::wstring& name, bool* found = nullptr) {
        return test::ReadFileBytes(dest_ + L"\\" + name, found);
    }

    test::CurrentDirectoryGuard cwd_;
    test::Sandbox box_;
    std::wstring dest_;
};

TEST_F(ZipUnpack, ExtractsEverythingAndStaysInTheFolder) {
    const std::wstring archive =
        Archive({Entry("a.txt", "alpha", "pw"), Entry("sub/b.txt", "beta", "pw")});
    EXPECT_EQ(UnpackArchive(archive, dest_, "pw"), 0);
    EXPECT_EQ(Out(L"a.txt"), "alpha");
    EXPECT_EQ(Out(L"sub\\b.txt"), "beta");
    EXPECT_EQ(test::CurrentDirectory(), dest_);
}

TEST_F(ZipUnpack, RelativeArchiveNameResolvesInsideTheFolder) {
    test::WriteFileBytes(dest_ + L"\\inner.zip", BuildArchive({Entry("r.txt", "rel")}).bytes);
    EXPECT_EQ(UnpackArchive(L"inner.zip", dest_, ""), 0);
    EXPECT_EQ(Out(L"r.txt"), "rel");
}

TEST_F(ZipUnpack, MissingOrUnreadableArchiveIs54) {
    EXPECT_EQ(UnpackArchive(box_ / L"missing.zip", dest_, ""), 54);
    EXPECT_EQ(test::CurrentDirectory(), dest_);
    test::WriteFileBytes(box_ / L"empty.zip", BuildArchive({}).bytes);
    EXPECT_EQ(UnpackArchive(box_ / L"empty.zip", dest_, ""), 54);
    EXPECT_TRUE(test::ListTree(dest_).empty());
}

TEST_F(ZipUnpack, ArgumentsThatDoNotFitAre54AndTouchNothing) {
    const std::wstring archive = Archive({Entry("a.txt", "alpha", std::string(127, 'p'))});
    ASSERT_TRUE(SetCurrentDirectoryW(box_.path().c_str()));
    EXPECT_EQ(UnpackArchive(archive, dest_ + L"\\" + std::wstring(300, L'x'), ""), 54);
    EXPECT_EQ(test::CurrentDirectory(), box_.path());
    // The folder fits and becomes current, as for any archive that cannot be opened.
    EXPECT_EQ(UnpackArchive(std::wstring(250, L'.') + L"\\..\\" + archive, dest_, ""), 54);
    EXPECT_EQ(test::CurrentDirectory(), dest_);
    EXPECT_EQ(UnpackArchive(archive, dest_, std::string(128, 'p')), 54);
    EXPECT_TRUE(test::ListTree(dest_).empty());
    // The longest password that fits works.
    EXPECT_EQ(UnpackArchive(archive, dest_, std::string(127, 'p')), 0);
    EXPECT_EQ(Out(L"a.txt"), "alpha");
}

TEST_F(ZipUnpack, WrongPasswordOnSecondEntryIs55) {
    const std::wstring archive =
        Archive({Entry("first.txt", "one", "right"), Entry("second.txt", "two", "other"),
                 Entry("third.txt", "three", "right")});
    EXPECT_EQ(UnpackArchive(archive, dest_, "right"), 55);
    EXPECT_EQ(Out(L"first.txt"), "one");
    bool found = false;
    EXPECT_EQ(Out(L"second.txt", &found), "");
    EXPECT_TRUE(found);
    EXPECT_FALSE(test::PathExists(dest_ + L"\\third.txt"));
    // Without a password the first encrypted entry already fails the check.
    EXPECT_EQ(UnpackArchive(archive, dest_, ""), 55);
}

TEST_F(ZipUnpack, OtherFailuresAre100AndKeepEarlierEntries) {
    std::vector<TestEntry> entries = {Entry("first.txt", "one"), Entry("second.txt", "two"),
                                      Entry("third.txt", "three")};
    test::BuiltArchive built = BuildArchive(entries);
    built.bytes[built.dataOffsets[1] + 1] ^= 0x01;  // damaged data of the second entry
    test::WriteFileBytes(box_ / L"damaged.zip", built.bytes);
    EXPECT_EQ(UnpackArchive(box_ / L"damaged.zip", dest_, ""), 100);
    EXPECT_EQ(Out(L"first.txt"), "one");
    EXPECT_FALSE(test::PathExists(dest_ + L"\\third.txt"));

    // An entry that would land outside the folder.
    test::RemoveTree(dest_);
    CreateDirectoryW(dest_.c_str(), nullptr);
    entries[1].name = "../escaped.txt";
    EXPECT_EQ(UnpackArchive(Archive(entries), dest_, ""), 100);
    EXPECT_EQ(Out(L"first.txt"), "one");
    EXPECT_FALSE(test::PathExists(box_ / L"escaped.txt"));

    // An output file that cannot be replaced.
    entries[1].name = "second.txt";
    const std::wstring archive = Archive(entries);
    EXPECT_EQ(UnpackArchive(archive, dest_, ""), 0);
    if (test::PlatformProtectsReadOnlyFiles(box_.path())) {
        SetFileAttributesW((dest_ + L"\\second.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(UnpackArchive(archive, dest_, ""), 100);
    }
}

TEST_F(ZipUnpack, MissingFolderIsMadeAndOneThatCannotBeEnteredIs54) {
    const std::wstring archive = Archive({Entry("here.txt", "h")});
    // Made with its missing parents, then current.
    const std::wstring made = box_ / L"no\\such\\folder";
    EXPECT_EQ(UnpackArchive(archive, made, ""), 0);
    EXPECT_EQ(test::CurrentDirectory(), made);
    EXPECT_EQ(test::ReadFileBytes(made + L"\\here.txt"), "h");
    // Relative to the current directory, like the archive name.
    EXPECT_EQ(UnpackArchive(archive, L"rel\\deeper", ""), 0);
    EXPECT_EQ(test::ReadFileBytes(made + L"\\rel\\deeper\\here.txt"), "h");

    // A file in the way, and a name no folder can have: nothing is extracted anywhere.
    ASSERT_TRUE(SetCurrentDirectoryW(dest_.c_str()));
    test::WriteFileBytes(box_ / L"file", "f");
    for (const std::wstring& blocked :
         {box_ / L"file", box_ / L"file\\below", box_ / L"bad|name"}) {
        EXPECT_EQ(UnpackArchive(archive, blocked, ""), 54) << blocked;
        EXPECT_EQ(test::CurrentDirectory(), dest_);
    }
    EXPECT_TRUE(test::ListTree(dest_).empty());

    // An empty path extracts into the current directory as it is.
    EXPECT_EQ(UnpackArchive(archive, L"", ""), 0);
    EXPECT_EQ(Out(L"here.txt"), "h");
}

TEST_F(ZipUnpack, DecodedNamesReachTheDiskAndPassTheSameChecks) {
    std::vector<TestEntry> entries = {Entry("first.txt", "one"),
                                      Entry("\xE6\x95\xB0\xD0\x96.txt", "u")};
    entries[1].moreFlags = 0x0800;
    EXPECT_EQ(UnpackArchive(Archive(entries), dest_, ""), 0);
    EXPECT_EQ(Out(L"\u6570\u0416.txt"), "u");

    // A Unicode Path block that leads outside the folder.
    const std::string stored = "safe.txt";
    std::string data = "\x01" + std::string(4, '\0') + "../escaped.txt";
    test::PutU32(data, 1, ComputeCrc32(stored.data(), stored.size()));
    entries[1] = Entry(stored, "s");
    entries[1].centralExtra = test::ExtraBlock(0x7075, data);
    EXPECT_EQ(UnpackArchive(Archive(entries), dest_, ""), 100);
    EXPECT_FALSE(test::PathExists(box_ / L"escaped.txt"));
    EXPECT_FALSE(test::PathExists(dest_ + L"\\safe.txt"));
}

}  // namespace
}  // namespace velmor::zip

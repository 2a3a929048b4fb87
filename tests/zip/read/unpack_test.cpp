// UnpackArchive: result codes, the current directory it leaves, and what stays on failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_archive_builder.h"
#include "test_sandbox.h"
#include "zip/format/crc32.h"
#include "zip/unpack.h"
#include "base/progress_sink.h"

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

// Every file and folder below root with its attributes, and a file's write time (when it is
// the entry's: folders and failed files keep the time they were made at), size and CRC-32.
std::string Snapshot(const std::wstring& root) {
    std::string out;
    for (const std::wstring& name : test::ListTree(root)) {
        const std::wstring path = root + L"\\" + name;
        const std::string bytes = test::ReadFileBytes(path);
        uint64_t creation = 0, access = 0, write = 0;
        test::GetTimes(path, &creation, &access, &write);
        out += std::string(name.begin(), name.end()) + " " +
               std::to_string(GetFileAttributesW(path.c_str())) + " " +
               (write < 133000000000000000 ? std::to_string(write) : "now") + " " +
               std::to_string(bytes.size()) + " " +
               std::to_string(ComputeCrc32(bytes.data(), bytes.size())) + "\n";
    }
    return out;
}

// Unpack's result, and the results of Test and UnpackFiles and both trees in *seen.
long UnpackWith(const wchar_t* threads, const std::wstring& archive, const std::wstring& folder,
                std::string* seen) {
    EXPECT_TRUE(SetEnvironmentVariableW(L"VELMOR_PACK_THREADS", threads));
    test::RemoveTree(folder);
    const long unpacked = UnpackArchive(archive, folder + L"\\all", "pw");
    *seen = std::to_string(TestArchive(archive, "pw")) + " " +
            std::to_string(
                UnpackFiles(archive, L"d\tempty.txt\tnoise.bin", folder + L"\\picked", "pw")) +
            "\n" + Snapshot(folder + L"\\all") + "picked:\n" + Snapshot(folder + L"\\picked");
    SetEnvironmentVariableW(L"VELMOR_PACK_THREADS", nullptr);
    return unpacked;
}

TEST_F(ZipUnpack, FourThreadsLeaveWhatOneLeaves) {
    std::string text, noise(150000, '\0');
    for (size_t i = 0; text.size() < 400000; ++i)
        text += "row " + std::to_string(i * 7919) + "\r\n";
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 2654435761u >> 13);
    std::vector<TestEntry> entries = {Entry("d/", ""), Entry("d/a.txt", text),
                                      Entry("noise.bin", noise), Entry("empty.txt", "")};
    entries[0].externalAttributes = 0x10;
    entries[2].method = 0;
    entries[3].externalAttributes = 0x21;  // read-only
    for (int i = 0; i < 30; ++i) entries.push_back(Entry("d/" + std::to_string(i) + ".txt", "s"));
    std::vector<TestEntry> sealed = entries;
    for (size_t i = 1; i < sealed.size(); ++i) sealed[i].password = "pw";
    sealed[2].aesStrength = 1;
    sealed[1].aesStrength = 3;
    std::vector<TestEntry> wrongPassword = sealed, badName = entries, blocked = entries;
    wrongPassword[9].password = "other";
    badName[7].name = "../escaped.txt";
    blocked[8].name = "noise.bin/x.txt";  // its folder is a file
    test::BuiltArchive badCrc = BuildArchive(entries);
    badCrc.bytes[badCrc.dataOffsets[2] + 70000] ^= 1;  // stored: read whole, then refused
    test::BuiltArchive damaged = BuildArchive(entries);
    damaged.bytes[damaged.dataOffsets[1] + 9000] ^= 0x55;  // deflated: fails on the way
    struct Case {
        const char* what;
        std::string bytes;
        long result;
    };
    const Case archives[] = {
        {"stored, deflated and folders", BuildArchive(entries).bytes, 0},
        {"traditional and AES encryption", BuildArchive(sealed).bytes, 0},
        {"Zip64 records", BuildArchive(sealed, "", true).bytes, 0},
        {"a wrong password", BuildArchive(wrongPassword).bytes, 55},
        {"a name the guards refuse", BuildArchive(badName).bytes, 100},
        {"a file that cannot be created", BuildArchive(blocked).bytes, 100},
        {"a CRC-32 failure in the middle", badCrc.bytes, 100},
        {"damaged data in the middle", damaged.bytes, 100},
    };
    for (const Case& c : archives) {
        SCOPED_TRACE(c.what);
        test::WriteFileBytes(box_ / L"t.zip", c.bytes);
        std::string one, four;
        EXPECT_EQ(UnpackWith(L"1", box_ / L"t.zip", box_ / L"one", &one), c.result);
        EXPECT_EQ(UnpackWith(L"4", box_ / L"t.zip", box_ / L"four", &four), c.result);
        EXPECT_EQ(four, one);
    }
}

// Stops at the second of three entries: the first stays whole, nothing of the others.
class StopInSecond : public ProgressSink {
public:
    bool Progress(const std::wstring& name, int64_t done, int64_t total) override {
        EXPECT_EQ(GetCurrentThreadId(), caller);
        EXPECT_TRUE(calls++ > 0 || done == 0);
        EXPECT_EQ(total, 3 * 300000);
        return name != L"2.txt" || done < 400000;
    }
    const DWORD caller = GetCurrentThreadId();
    int calls = 0;
};

TEST_F(ZipUnpack, StoppedThroughTheSinkOnAnyNumberOfThreads) {
    std::string text;
    while (text.size() < 300000) text += "line " + std::to_string(text.size()) + "\r\n";
    text.resize(300000);
    const std::wstring archive =
        Archive({Entry("1.txt", text), Entry("2.txt", text), Entry("3.txt", text)});
    for (const wchar_t* threads : {L"1", L"4"}) {
        SetEnvironmentVariableW(L"VELMOR_PACK_THREADS", threads);
        test::RemoveTree(dest_);
        StopInSecond sink;
        EXPECT_EQ(UnpackArchive(archive, dest_, "", &sink), 77);
        EXPECT_EQ(Out(L"1.txt"), text);
        EXPECT_EQ(test::ListTree(dest_), std::vector<std::wstring>{L"1.txt"});
    }
    SetEnvironmentVariableW(L"VELMOR_PACK_THREADS", nullptr);
}

}  // namespace
}  // namespace velmor::zip

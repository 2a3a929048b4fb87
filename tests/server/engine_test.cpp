// The engine on real exchange folders: config.xml through MSXML, the status
// and stack files, ticks and the ready queue, acknowledgement, the filter
// and the lookups.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

#include "engine_fixture.h"
#include "fake_folder_changes.h"
#include "server/core/info_line.h"

namespace velmor::server::test {

std::wstring EngineTest::Field(const std::string& id, const wchar_t* name) {
    return ExtractField(InfoOf(id), name);
}

namespace {

std::vector<unsigned long> QueueIds(const PPCQueue& q) {
    std::vector<unsigned long> ids;
    for (std::uint32_t i = 0; i < q.Count(); ++i) ids.push_back(q.At(i).id.Data1);
    return ids;
}

std::vector<std::pair<unsigned long, std::uint32_t>> QueueEntries(const PPCQueue& q) {
    std::vector<std::pair<unsigned long, std::uint32_t>> entries;
    for (std::uint32_t i = 0; i < q.Count(); ++i)
        entries.emplace_back(q.At(i).id.Data1, q.At(i).crc);
    return entries;
}

FILETIME LastWrite(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void SetLastWrite(const std::wstring& path, const FILETIME& time) {
    ScopedFileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.valid());
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &time));
}

TEST_F(EngineTest, ConfigGivesCompletePpcChildrenInDocumentOrder) {
    const std::string longName(100, 'N');
    dir_.Write(L"config.xml",
               "<?xml version=\"1.0\"?>\n<Anything><PPC DEVICE_ID=\"" + std::string(kIdC) +
                   "\" PSEUDONIM=\"" + longName +
                   "\" DIRECTORY=\"d1\" EXTRA=\"e\"/>"
                   "<PPC DEVICE_ID=\"" +
                   kIdB +
                   "\" PSEUDONIM=\"no dir\"/>"
                   "<ppc DEVICE_ID=\"" +
                   kIdB +
                   "\" PSEUDONIM=\"lower\" DIRECTORY=\"d\"/>"
                   "<Group>" +
                   Ppc(kIdB, "nested", "d") +
                   "</Group>"
                   "<PPC DEVICE_ID=\"{" +
                   kIdA +
                   "}\" PSEUDONIM=\"braced\" DIRECTORY=\"d3\"/>"
                   "<PPC DEVICE_ID=\"aaaaaaaa-0000-0000-0000-000000000001\" PSEUDONIM=\"Лента\" "
                   "DIRECTORY=\"d4\">text<child/></PPC></Anything>");
    engine_.SetExchangeDir(dir_.path() + L"\\");
    ASSERT_EQ(3, engine_.GetPPCCount());
    EXPECT_EQ(std::wstring(63, L'N'), engine_.DeviceAt(0).pseudonym);
    EXPECT_TRUE(IsNilId(engine_.DeviceAt(1).id));  // braced id: still a device
    EXPECT_STREQ(L"Лента", engine_.DeviceAt(2).pseudonym);
    EXPECT_EQ(L"AAAAAAAA-0000-0000-0000-000000000001", Field(kIdA, L"device_id"));
    EXPECT_EQ(L"d4", Field(kIdA, L"directory"));
    EXPECT_TRUE(reports_.empty()) << reports_;
    EXPECT_EQ(0, alerts_);
}

TEST_F(EngineTest, ConfigEncodingIsTakenFromTheDocument) {
    // Declared windows-1251: "\xd1\xea\xeb\xe0\xe4" is "Склад".
    dir_.Write(L"config.xml", "<?xml version=\"1.0\" encoding=\"windows-1251\"?><R>" +
                                  Ppc(kIdA, "\xd1\xea\xeb\xe0\xe4", "d") + "</R>");
    engine_.SetExchangeDir(dir_.path());
    ASSERT_EQ(1, engine_.GetPPCCount());
    EXPECT_STREQ(L"Склад", engine_.DeviceAt(0).pseudonym);
    // UTF-16 with a byte-order mark.
    const std::wstring wide = L"<?xml version=\"1.0\"?><R><PPC DEVICE_ID=\"" + Wide(kIdB) +
                              L"\" PSEUDONIM=\"Ёлка\" DIRECTORY=\"d\"/></R>";
    std::string bytes = "\xff\xfe";
    for (wchar_t c : wide) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    dir_.Write(L"config.xml", bytes);
    engine_.SetExchangeDir(dir_.path());
    ASSERT_EQ(1, engine_.GetPPCCount());
    EXPECT_STREQ(L"Ёлка", engine_.DeviceAt(0).pseudonym);
    EXPECT_TRUE(reports_.empty()) << reports_;
}

TEST_F(EngineTest, BadConfigsLeaveTheListEmptyWithoutHarm) {
    dir_.Write(L"config.xml", "this is not XML <<<");
    engine_.SetExchangeDir(dir_.path());
    EXPECT_EQ(0, engine_.GetPPCCount());
    EXPECT_NE(std::string::npos, reports_.find("Failed to load DOM from xml-file")) << reports_;
    EXPECT_EQ(0, alerts_);

    reports_.clear();
    dir_.Write(L"config.xml", "");
    engine_.SetExchangeDir(dir_.path());
    EXPECT_EQ(0, engine_.GetPPCCount());
    EXPECT_NE(std::string::npos, reports_.find("Failed to load DOM from xml-file")) << reports_;

    // A folder named config.xml: the load fails and is reported.
    TempFolder other;
    other.MakeFolder(L"config.xml");
    reports_.clear();
    engine_.SetExchangeDir(other.path());
    EXPECT_EQ(0, engine_.GetPPCCount());
    EXPECT_NE(std::string::npos, reports_.find("MyXML:")) << reports_;
    EXPECT_NE(std::string::npos, reports_.find("HRCALL Failed: dom->load(): ")) << reports_;

    // A previous list is dropped even when the new folder has no config at all.
    OpenThreeDevices();
    ASSERT_EQ(3, engine_.GetPPCCount());
    reports_.clear();
    engine_.SetExchangeDir(dir_ / L"does\\not\\exist");
    EXPECT_EQ(0, engine_.GetPPCCount());
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(L"", engine_.GetPPCInfoByIndex(0));
    engine_.Tick();
    engine_.ProcessDone(ParseDeviceId(Wide(kIdA)));
    EXPECT_EQ(0u, engine_.ReadyQueue().Count());
}

TEST_F(EngineTest, ExchangeDirIsKeptWithOneTrailingBackslash) {
    engine_.SetExchangeDir(L"Q:\\x");
    EXPECT_EQ(L"Q:\\x\\", engine_.ExchangeDir());
    engine_.SetExchangeDir(L"Q:\\x\\");
    EXPECT_EQ(L"Q:\\x\\", engine_.ExchangeDir());
    engine_.SetExchangeDir(L"Q:/x/");
    EXPECT_EQ(L"Q:/x/\\", engine_.ExchangeDir());
    // An empty folder reads config.xml from the current directory; the
    // status files are not read at all.
    dir_.Write(L"config.xml", Config(Ppc(kIdA, "A", "d")));
    dir_.Write(L"A.dat", "a");
    dir_.Write(L"Status.txt", Line(kIdA, "A.dat"));
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(dir_.path().c_str()));
    engine_.SetExchangeDir(L"");
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(L"", engine_.ExchangeDir());
    EXPECT_EQ(1, engine_.GetPPCCount());
    EXPECT_EQ(0, engine_.Refresh());
    engine_.Tick();
    EXPECT_EQ(0u, engine_.ReadyQueue().Count());
    engine_.SetExchangeDir(std::wstring(400, L'd'));
    EXPECT_EQ(std::wstring(322, L'd') + L"\\", engine_.ExchangeDir());
}

TEST_F(EngineTest, StatusLineMakesDeviceReadyAndStackStandsInForAMissingFile) {
    OpenThreeDevices();
    dir_.Write(L"A.dat", "a");
    dir_.Write(L"C.dat", "c");
    dir_.Write(L"Status.txt", Line(kIdA, "A.dat") + Line(kIdB, "B.dat"));
    dir_.Write(L"Stack.txt", Line(kIdB, "missing.dat", "2020-01-02 03-04-05", "7") +
                                 Line(kIdB, "C.dat", "2021-02-03 04:05", "-1") +
                                 Line(kIdB, "A.dat", "2022-01-01", "9") +
                                 Line(kIdC, "C.dat"));  // C has no Status.txt line
    EXPECT_EQ(
        L"\"AAAAAAAA-0000-0000-0000-000000000001\",\"Alpha\",\"dirA\",\"A.dat\","
        L"\"2024-05-31 14-30-05\",\"0000000123\"",
        InfoOf(kIdA));
    EXPECT_EQ(L"C.dat", Field(kIdB, L"file"));
    EXPECT_EQ(L"2021-02-03 04-05-00", Field(kIdB, L"time"));
    EXPECT_EQ(L"4294967295", Field(kIdB, L"crc"));
    EXPECT_EQ(L"", Field(kIdC, L"file"));
    EXPECT_EQ(L"0000-00-00 00-00-00", Field(kIdC, L"time"));
    EXPECT_EQ(L"0000000000", Field(kIdC, L"crc"));
    EXPECT_EQ(2, engine_.Refresh());
}

TEST_F(EngineTest, LineGrammarEdges) {
    OpenThreeDevices();
    dir_.Write(L"A.dat", "a");
    dir_.Write(L"B.dat", "b");
    const std::string shortId = "AAAAAAAA-0000-0000-0000-00000001";  // 32 chars
    dir_.Write(L"Status.txt",
               // A: four fields still give a record (no number: crc 0).
               std::string(kIdA) + "\tx\tA.dat\t2024-05-31\n" +
                   // B: its file name is empty; the stack must not replace it.
                   Line(kIdB, "", "2024-05-31", "5") +
                   // A line of 35 characters is ignored though it has five fields.
                   shortId.substr(0, 27) + "\tx\tA\t1\t2\n" +
                   // C: a name of 1023 characters followed by the real line: the
                   // overlong first piece carries no device, the rest is read as
                   // its own line.
                   std::string(1023, 'z') + Line(kIdC, "B.dat", "2024-05-31", "4294967295"));
    EXPECT_EQ(L"A.dat", Field(kIdA, L"file"));
    EXPECT_EQ(L"0000000000", Field(kIdA, L"crc"));
    EXPECT_EQ(L"2024-05-31 00-00-00", Field(kIdA, L"time"));
    EXPECT_EQ(L"B.dat", Field(kIdC, L"file"));
    EXPECT_EQ(L"2147483647", Field(kIdC, L"crc"));

    // B's empty name "exists" (it is the folder itself): no stack line replaces it.
    dir_.Write(L"Stack.txt", Line(kIdB, "B.dat"));
    EXPECT_EQ(L"", Field(kIdB, L"file"));
    // A stack line needs five fields to stand in for a missing file.
    dir_.Write(L"Status.txt", Line(kIdB, "gone.dat"));
    dir_.Write(L"Stack.txt", std::string(kIdB) + "\tx\tB.dat\t2024-05-31\n");
    EXPECT_EQ(L"", Field(kIdB, L"file"));
    dir_.Write(L"Stack.txt", std::string(kIdB) + "\tx\tB.dat\t2024-05-31\t\n");
    EXPECT_EQ(L"B.dat", Field(kIdB, L"file"));
    // Empty, blank and huge files are read without harm.
    for (const std::string& odd : {std::string(), std::string("\r\n\r\n\n"),
                                   std::string(300000, 'q'), std::string(5000, '\t')}) {
        dir_.Write(L"Status.txt", odd);
        dir_.Write(L"Stack.txt", odd);
        EXPECT_EQ(0, engine_.Refresh());
    }
}

TEST_F(EngineTest, NamesReadAsLatin1AndMayNameSubfolders) {
    OpenThreeDevices();
    dir_.MakeFolder(L"in");
    dir_.Write(L"in\\\u00e9t\u00e9.dat", "x");
    dir_.Write(L"Status.txt", Line(kIdA, "in\\\xe9t\xe9.dat"));
    EXPECT_EQ(L"in\\\u00e9t\u00e9.dat", Field(kIdA, L"file"));
    engine_.ProcessDone(ParseDeviceId(Wide(kIdA)));
    EXPECT_FALSE(dir_.Exists(L"in\\\u00e9t\u00e9.dat"));
    EXPECT_TRUE(dir_.Exists(L"in"));
}

TEST_F(EngineTest, MissingStatusFileKeepsTheLastRefresh) {
    OpenThreeDevices();
    dir_.Write(L"A.dat", "a");
    dir_.Write(L"Status.txt", Line(kIdA, "A.dat"));
    EXPECT_EQ(1, engine_.Refresh());
    dir_.Remove(L"Status.txt");
    dir_.Remove(L"A.dat");
    EXPECT_EQ(0, engine_.Refresh());
    EXPECT_EQ(L"A.dat", Field(kIdA, L"file"));
    EXPECT_EQ(3, engine_.GetPPCCount());
    // A status "file" that is a folder cannot be read either.
    dir_.MakeFolder(L"Status.txt");
    EXPECT_EQ(0, engine_.Refresh());
}

TEST_F(EngineTest, TicksQueueReadyDevicesAndProcessDoneMovesToTheNextStackedFile) {
    OpenThreeDevices();
    dir_.Write(L"A1.dat", "a");
    dir_.Write(L"A2.dat", "a");
    dir_.Write(L"B1.dat", "b");
    dir_.Write(L"Status.txt",
               Line(kIdB, "B1.dat", "2024-01-01", "1") + Line(kIdA, "A1.dat", "2024-01-01", "1"));
    dir_.Write(L"Stack.txt", Line(kIdA, "A2.dat", "2024-02-02", "2"));
    engine_.Tick();
    dir_.Write(L"Status.txt",
               Line(kIdB, "B1.dat", "2024-01-01", "21") + Line(kIdA, "A1.dat", "2024-01-01", "11"));
    engine_.Tick();
    // Queue order is config order (A before B), crc from the second tick.
    ASSERT_EQ((std::vector<unsigned long>{0xAAAAAAAA, 0xBBBBBBBB}), QueueIds(engine_.ReadyQueue()));
    EXPECT_EQ(11u, engine_.ReadyQueue().At(0).crc);
    EXPECT_EQ(21u, engine_.ReadyQueue().At(1).crc);

    engine_.ProcessDone(ParseDeviceId(Wide(kIdA)));
    EXPECT_FALSE(dir_.Exists(L"A1.dat"));
    EXPECT_EQ((std::vector<unsigned long>{0xBBBBBBBB}), QueueIds(engine_.ReadyQueue()));
    EXPECT_EQ(L"A2.dat", Field(kIdA, L"file"));
    EXPECT_EQ(L"0000000002", Field(kIdA, L"crc"));

    engine_.ProcessDone(ParseDeviceId(Wide(kIdA)));
    EXPECT_FALSE(dir_.Exists(L"A2.dat"));
    EXPECT_EQ(L"", Field(kIdA, L"file"));
    // Not ready now: acknowledging again deletes nothing, not even the folder.
    engine_.ProcessDone(ParseDeviceId(Wide(kIdA)));
    engine_.ProcessDone(ParseDeviceId(Wide("DDDDDDDD-0000-0000-0000-000000000000")));
    EXPECT_TRUE(dir_.Exists(L"B1.dat"));
    EXPECT_TRUE(dir_.Exists(L"Status.txt"));
    EXPECT_TRUE(dir_.Exists(L"Stack.txt"));

    // A refresh that finds B's file gone drops B from the queue; a tick with
    // nothing ready puts nothing.
    dir_.Remove(L"B1.dat");
    engine_.Tick();
    EXPECT_EQ(0u, engine_.ReadyQueue().Count());

    // Setting the folder again empties the queue.
    dir_.Write(L"B1.dat", "b");
    engine_.Tick();
    EXPECT_EQ(1u, engine_.ReadyQueue().Count());
    engine_.SetExchangeDir(dir_.path());
    EXPECT_EQ(0u, engine_.ReadyQueue().Count());
}

TEST_F(EngineTest, FilterAdmitsOnlyListedDevices) {
    OpenThreeDevices();
    dir_.Write(L"A.dat", "a");
    dir_.Write(L"B.dat", "b");
    dir_.Write(L"Status.txt", Line(kIdA, "A.dat") + Line(kIdB, "B.dat"));
    engine_.Tick();
    ASSERT_EQ(2u, engine_.ReadyQueue().Count());
    engine_.AddPPCId(ParseDeviceId(Wide(kIdB)));
    engine_.AddPPCId(ParseDeviceId(Wide(kIdB)));  // duplicates are harmless
    EXPECT_EQ(2u, engine_.ReadyQueue().Count());  // no refresh yet
    EXPECT_EQ(1, engine_.Refresh());
    EXPECT_EQ(L"", Field(kIdA, L"file"));
    EXPECT_EQ(L"B.dat", Field(kIdB, L"file"));
    EXPECT_EQ((std::vector<unsigned long>{0xBBBBBBBB}), QueueIds(engine_.ReadyQueue()));
    // The filter survives a new folder; clearing it admits everyone again.
    engine_.SetExchangeDir(dir_.path());
    EXPECT_EQ(1, engine_.Refresh());
    engine_.ClearPPCId();
    EXPECT_EQ(2, engine_.Refresh());
}

TEST_F(EngineTest, LookupsClampIndexesAndCountIgnoresFiles) {
    EXPECT_EQ(L"", engine_.GetPPCInfoByIndex(0));
    OpenThreeDevices();
    EXPECT_EQ(L"Alpha", ExtractField(engine_.GetPPCInfoByIndex(-5), L"pseudonim"));
    EXPECT_EQ(L"Beta", ExtractField(engine_.GetPPCInfoByIndex(1), L"pseudonim"));
    EXPECT_EQ(L"Gamma", ExtractField(engine_.GetPPCInfoByIndex(1000), L"pseudonim"));
    EXPECT_EQ(L"", InfoOf("DDDDDDDD-0000-0000-0000-000000000000"));
    dir_.Write(L"A.dat", "a");
    dir_.Write(L"Status.txt", Line(kIdA, "A.dat"));
    EXPECT_EQ(3, engine_.GetPPCCount());
    dir_.Remove(L"Status.txt");
    EXPECT_EQ(3, engine_.GetPPCCount());
}

TEST_F(EngineTest, DuplicateIdsAreFoundAsTheFirstDevice) {
    dir_.Write(L"config.xml", Config(Ppc(kIdA, "first", "d") + Ppc(kIdA, "second", "d")));
    engine_.SetExchangeDir(dir_.path());
    EXPECT_EQ(2, engine_.GetPPCCount());
    EXPECT_EQ(L"first", Field(kIdA, L"pseudonim"));
}

// Names in the status files come from the device side. None that leaves the
// exchange folder may make a device ready or get anything deleted.
TEST_F(EngineTest, NamesLeavingTheExchangeFolderAreNeverReadyNorDeleted) {
    dir_.Write(L"victim.dat", "keep me");
    const std::wstring victim = dir_ / L"victim.dat";
    TempFolder exchange;  // a second folder so the first is "outside"
    exchange.Write(L"config.xml", Config(Ppc(kIdA, "A", "d") + Ppc(kIdB, "B", "d")));
    wchar_t full[MAX_PATH];
    GetFullPathNameW(victim.c_str(), MAX_PATH, full, nullptr);
    std::string fullNarrow;
    for (const wchar_t* p = full; *p; ++p) fullNarrow += static_cast<char>(*p);
    // From exchange, "..\<name of dir_>\victim.dat" climbs out.
    const std::wstring dirName = dir_.path().substr(dir_.path().rfind(L'\\') + 1);
    const std::string climb = "..\\" + std::string(dirName.begin(), dirName.end()) + "\\victim.dat";
    const std::string climbSlash =
        "../" + std::string(dirName.begin(), dirName.end()) + "/victim.dat";
    const std::string noDrive = fullNarrow.substr(2);  // "\temp\...\victim.dat"
    const std::string unc = "\\\\?\\" + fullNarrow;

    for (const std::string& bad : {climb, climbSlash, fullNarrow, noDrive, unc}) {
        SCOPED_TRACE(bad);
        ServerEngine engine;
        engine.ConfigReader().SetReportSink([](const std::string&) {});
        engine.SetExchangeDir(exchange.path());
        // Directly in Status.txt...
        exchange.Write(L"Status.txt", Line(kIdA, bad));
        exchange.Write(L"Stack.txt", "");
        engine.Tick();
        EXPECT_EQ(0, engine.Refresh());
        engine.ProcessDone(ParseDeviceId(Wide(kIdA)));
        EXPECT_TRUE(PathExists(victim));
        // ...or standing in from Stack.txt for a missing file.
        exchange.Write(L"Status.txt", Line(kIdB, "gone.dat"));
        exchange.Write(L"Stack.txt", Line(kIdB, bad));
        EXPECT_EQ(0, engine.Refresh());
        EXPECT_EQ(L"", ExtractField(engine.GetPPCInfo(ParseDeviceId(Wide(kIdB))), L"file"));
        engine.ProcessDone(ParseDeviceId(Wide(kIdB)));
        EXPECT_TRUE(PathExists(victim));
        EXPECT_EQ(0u, engine.ReadyQueue().Count());
    }
    // An unsafe current name counts as gone, so a safe stacked file takes over.
    ServerEngine engine;
    engine.SetExchangeDir(exchange.path());
    exchange.Write(L"next.dat", "n");
    exchange.Write(L"Status.txt", Line(kIdA, climb));
    exchange.Write(L"Stack.txt", Line(kIdA, "next.dat"));
    EXPECT_EQ(L"next.dat", ExtractField(engine.GetPPCInfo(ParseDeviceId(Wide(kIdA))), L"file"));
    engine.ProcessDone(ParseDeviceId(Wide(kIdA)));
    EXPECT_FALSE(exchange.Exists(L"next.dat"));
    EXPECT_TRUE(PathExists(victim));
}

// A relative exchange folder is read wherever the current directory now
// points, as it would be if every call read the files again.
TEST_F(EngineTest, RelativeFolderFollowsTheCurrentDirectory) {
    TempFolder first, second;
    for (const TempFolder* root : {&first, &second}) root->MakeFolder(L"ex");
    first.Write(L"ex\\config.xml", Config(Ppc(kIdA, "A", "d")));
    first.Write(L"ex\\one.dat", "1");
    first.Write(L"ex\\Status.txt", Line(kIdA, "one.dat"));
    second.Write(L"ex\\two.dat", "2");
    second.Write(L"ex\\Status.txt", Line(kIdA, "two.dat"));
    // Same size and time: only the folder's new place tells them apart.
    SetLastWrite(second / L"ex\\Status.txt", LastWrite(first / L"ex\\Status.txt"));
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(first.path().c_str()));
    engine_.SetExchangeDir(L"ex");
    const std::wstring before = Field(kIdA, L"file");
    SetCurrentDirectoryW(second.path().c_str());
    const std::wstring after = Field(kIdA, L"file");
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(L"one.dat", before);
    EXPECT_EQ(L"two.dat", after);
}

// An engine that reads only when the folder changed must always show what an
// engine that reads on every call shows.
TEST_F(EngineTest, ReadingOnlyAfterChangesShowsWhatReadingEveryTimeShows) {
    FakeChangesState noWatch;
    noWatch.canWatch = false;
    ServerEngine everyTime(std::make_unique<FakeFolderChanges>(noWatch));
    everyTime.ConfigReader().SetReportSink([](const std::string&) {});
    const std::wstring statusPath = dir_ / L"Status.txt";
    const std::string statusA = Line(kIdA, "a1.dat", "2024-05-31 14-30-05", "123");
    const std::string statusBC = Line(kIdB, "b1.dat") + Line(kIdC, "in\\c.dat");
    dir_.Write(L"a1.dat", "a");
    dir_.Write(L"b2.dat", "b");
    dir_.Write(L"Status.txt", statusA + statusBC);
    dir_.Write(L"Stack.txt", Line(kIdB, "b2.dat"));
    OpenThreeDevices();
    everyTime.SetExchangeDir(dir_.path());

    struct Step {
        const char* what;
        std::function<void()> change;
        int ready;              // devices ready afterwards
        const wchar_t* crcOfA;  // when given, A's crc afterwards
    };
    const Step steps[] = {
        {"nothing yet", [] {}, 2, L"0000000123"},
        {"Status.txt rewritten at once, same size and time",
         [&] {
             const FILETIME before = LastWrite(statusPath);
             dir_.Write(L"Status.txt",
                        Line(kIdA, "a1.dat", "2024-05-31 14-30-05", "456") + statusBC);
             SetLastWrite(statusPath, before);
         },
         2, L"0000000456"},
        {"a data file appears", [&] { dir_.Write(L"b1.dat", "b"); }, 2, nullptr},
        {"a data file goes", [&] { dir_.Remove(L"a1.dat"); }, 1, nullptr},
        {"Stack.txt names a new file",
         [&] {
             dir_.Write(L"a2.dat", "a");
             dir_.Write(L"Stack.txt",
                        Line(kIdB, "b2.dat") + Line(kIdA, "a2.dat", "2024-06-01", "9"));
         },
         2, L"0000000009"},
        {"a subfolder with a named file appears",
         [&] {
             dir_.MakeFolder(L"in");
             dir_.Write(L"in\\c.dat", "c");
         },
         3, nullptr},
        {"the current file goes, the stacked one stands in", [&] { dir_.Remove(L"b1.dat"); }, 3,
         nullptr},
        {"Status.txt goes: the last read stands", [&] { dir_.Remove(L"Status.txt"); }, 0,
         L"0000000009"},
        {"Status.txt is back with other lines",
         [&] { dir_.Write(L"Status.txt", Line(kIdC, "in\\c.dat", "2024-07-01", "5")); }, 1,
         L"0000000000"},
        {"the filter changes",
         [&] {
             engine_.AddPPCId(ParseDeviceId(Wide(kIdA)));
             everyTime.AddPPCId(ParseDeviceId(Wide(kIdA)));
         },
         0, nullptr},
        {"the filter goes",
         [&] {
             engine_.ClearPPCId();
             everyTime.ClearPPCId();
         },
         1, nullptr},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        engine_.Tick();
        everyTime.Tick();
        EXPECT_EQ(step.ready, everyTime.Refresh());
        EXPECT_EQ(step.ready, engine_.Refresh());
        for (long i = 0; i < everyTime.GetPPCCount(); ++i) {
            EXPECT_EQ(everyTime.GetPPCInfoByIndex(i), engine_.GetPPCInfoByIndex(i)) << i;
        }
        EXPECT_EQ(QueueEntries(everyTime.ReadyQueue()), QueueEntries(engine_.ReadyQueue()));
        if (step.crcOfA) {
            EXPECT_EQ(step.crcOfA, ExtractField(InfoOf(kIdA), L"crc"));
        }
    }
}

}  // namespace
}  // namespace velmor::server::test

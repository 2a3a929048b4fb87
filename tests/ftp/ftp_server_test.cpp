// The engine on the real WinINet against the local test server: sessions,
// logins, remote folders, downloads and uploads, compared byte for byte.
#include <gtest/gtest.h>

#include "common/com_test_util.h"
#include "ftp/ftp_download.h"
#include "ftp/ftp_session.h"
#include "ftp/ftp_upload.h"
#include "ftp/progress_window.h"
#include "ftp/wininet_api.h"
#include "ftp_test_files.h"
#include "ftp_test_server.h"
#include "recording_view.h"
#include "window_closer.h"

namespace velmor::ftp {
namespace {

using testing::FileExistsOnDisk;
using testing::ReadWholeFile;
using testing::RunningUnderWine;
using testing::TestServer;

// WinINet as it is, noting how many bytes each read delivered.
class ObservedWinInet : public WinInetApi {
public:
    std::vector<DWORD> delivered;
    BOOL Read(HINTERNET file, void* buffer, DWORD size, DWORD* read) override {
        const BOOL ok = WinInetApi::Read(file, buffer, size, read);
        if (ok && *read > 0) delivered.push_back(*read);
        return ok;
    }
};

class FtpServerTest : public ::testing::Test {
protected:
    ObservedWinInet api;
    FtpContext context;
    // dialog 213 is linked into this test program
    ProgressWindow window{context, GetModuleHandleW(nullptr)};
    FtpSession session{context, api, window};
    Win32LocalFiles files;
    velmor::test::TempDir folder;

    void SetUp() override {
        if (!TestServer::Available()) GTEST_SKIP() << "no local FTP server (VELMOR_FTP_STATE)";
    }
    void TearDown() override { session.CloseSession(); }

    void Login(const std::wstring& user = L"tester", const std::wstring& password = L"secret") {
        ASSERT_EQ(0, session.OpenSession());
        ASSERT_EQ(0, session.Connect(TestServer::Address(), user, password));
    }
    long Download(const std::wstring& local, const std::wstring& remote, DWORD pauseMs,
                  ProgressView* view = nullptr) {
        return FtpDownload(context, view ? *view : window, files, pauseMs).GetFile(local, remote);
    }
    long Upload(const std::wstring& local, const std::wstring& remote,
                ProgressView* view = nullptr) {
        return FtpUpload(context, view ? *view : window, files).PutFile(local, remote);
    }
    // Downloads without pauses and compares with the file the server holds.
    void ExpectSameBytes(const std::wstring& remote, ProgressView* view = nullptr) {
        const std::wstring local = folder.file(L"copy.bin");
        ASSERT_EQ(0, Download(local, remote, 0, view)) << remote;
        bool ok = false;
        const std::vector<BYTE> copy = ReadWholeFile(local, &ok);
        ASSERT_TRUE(ok);
        const std::vector<BYTE> original = ReadWholeFile(TestServer::RootFile(remote));
        ASSERT_EQ(original.size(), copy.size()) << remote;
        EXPECT_TRUE(original == copy) << remote;
    }
};

TEST_F(FtpServerTest, SessionAndConnectionOrder) {
    EXPECT_EQ(76, session.Connect(TestServer::Address(), L"tester", L"secret"));
    EXPECT_EQ(78, session.SetCurDir(L"sub"));
    EXPECT_EQ(78, session.FileExists(L"empty.bin"));
    EXPECT_EQ(78, Download(folder.file(L"x.bin"), L"empty.bin", 0));
    EXPECT_FALSE(FileExistsOnDisk(folder.file(L"x.bin")));

    ASSERT_EQ(0, session.OpenSession());
    HINTERNET first = context.sessionHandle.get();
    EXPECT_EQ(0, session.OpenSession());
    EXPECT_EQ(first, context.sessionHandle.get());
    EXPECT_EQ(78, session.CreateDirectory(L"never"));
    ASSERT_EQ(0, session.Connect(TestServer::Address(), L"tester", L"secret"));
    EXPECT_EQ(0, session.FileExists(L"ten_thousand.bin"));

    session.CloseSession();
    EXPECT_EQ(76, session.Connect(TestServer::Address(), L"tester", L"secret"));
    EXPECT_EQ(78, session.FileExists(L"ten_thousand.bin"));
}

TEST_F(FtpServerTest, Logins) {
    ASSERT_EQ(0, session.OpenSession());
    EXPECT_EQ(0, session.Connect(TestServer::Address(L":P"), L"anonymous", L"guest@"));
    EXPECT_EQ(0, session.Connect(TestServer::Address(), L"tester", L"secret"));
    // WinINet reports a refused password as one of the two login errors
    const long wrong = session.Connect(TestServer::Address(), L"tester", L"wrong");
    EXPECT_TRUE(wrong == 79 || wrong == 81) << wrong;
    EXPECT_FALSE(context.connection);
    const long unknown = session.Connect(TestServer::Address(), L"nobody", L"secret");
    EXPECT_TRUE(unknown == 80 || unknown == 81) << unknown;
    // nothing listens on port 1
    EXPECT_EQ(100, session.Connect(L"127.0.0.1:1", L"tester", L"secret"));
    EXPECT_EQ(82, session.Connect(L"no-such-host.invalid", L"tester", L"secret"));
}

TEST_F(FtpServerTest, ActiveModeTransfers) {
    ASSERT_EQ(0, session.OpenSession());
    ASSERT_EQ(0, session.Connect(TestServer::Address(L":A"), L"tester", L"secret"));
    testing::RecordingView quiet(context);
    ExpectSameBytes(L"ten_thousand.bin", &quiet);
}

TEST_F(FtpServerTest, RemoteFoldersActOnTheServer) {
    Login();
    const std::wstring name = L"made_" + std::to_wstring(GetCurrentProcessId());
    const std::wstring onDisk = TestServer::RootFile(name);
    ASSERT_EQ(0, session.CreateDirectory(name));
    EXPECT_TRUE(GetFileAttributesW(onDisk.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(100, session.CreateDirectory(name));  // already there

    testing::WriteWholeFile(onDisk + L"\\victim.txt", {'x'});
    ASSERT_EQ(0, session.SetCurDir(L"\\" + name));
    EXPECT_EQ(0, session.FileExists(L"victim.txt"));
    EXPECT_EQ(0, session.DeleteFile(L"victim.txt"));
    EXPECT_FALSE(FileExistsOnDisk(onDisk + L"\\victim.txt"));
    EXPECT_EQ(100, session.DeleteFile(L"victim.txt"));

    EXPECT_EQ(100, session.SetCurDir(L"no_such_folder"));
    ASSERT_EQ(0, session.SetCurDir(L"/"));
    // a path written with backslashes reaches the server with slashes
    EXPECT_EQ(0, session.FileExists(L"sub\\inner.txt"));
    EXPECT_EQ(0, session.FileExists(L"empty.bin"));
    RemoveDirectoryW(onDisk.c_str());
}

TEST_F(FtpServerTest, MissingFileIsNotFound) {
    Login();
    // Windows reports ERROR_NO_MORE_FILES (result 1); Wine leaves no reason
    // behind, which the mapping reads as a failed listing (100).
    const long expected = RunningUnderWine() ? 100 : 1;
    EXPECT_EQ(expected, session.FileExists(L"no_such_file.bin"));
    EXPECT_EQ(1, Download(folder.file(L"none.bin"), L"no_such_file.bin", 0));
    EXPECT_FALSE(FileExistsOnDisk(folder.file(L"none.bin")));
}

TEST_F(FtpServerTest, DownloadsCompareByteForByte) {
    Login(L"anonymous", L"guest@");
    ExpectSameBytes(L"empty.bin");
    testing::RecordingView recorded(context);
    ExpectSameBytes(L"sub\\inner.txt", &recorded);

    api.delivered.clear();
    ExpectSameBytes(L"ten_thousand.bin");
    EXPECT_EQ((std::vector<DWORD>{4096, 4096, 1808}), api.delivered);
    EXPECT_EQ(4096u, context.chunkSize);
    EXPECT_EQ(1, context.sizeKnown);

    // Large files through a recording view: under Wine every real window costs
    // seconds, and the window itself is tested on its own.
    testing::RecordingView quiet(context);
    ExpectSameBytes(L"exact_32m.bin", &quiet);
    EXPECT_EQ(1, context.sizeKnown);
    EXPECT_EQ(L"Загрузка: 33554432 из 33554432 б. (100%)", quiet.texts.back());
    ExpectSameBytes(L"over_32m.bin", &quiet);
    EXPECT_EQ(0, context.sizeKnown);
    EXPECT_EQ(L"Загрузка: 33554433 б.", quiet.texts.back());
}

TEST_F(FtpServerTest, NameWithABlankIsFoundAndDownloaded) {
    Login();
    // Wine's listing cuts the name at the blank, so the file is found by
    // opening it; its size is then unknown.
    EXPECT_EQ(0, session.FileExists(L"with space.bin"));
    testing::RecordingView recorded(context);
    ExpectSameBytes(L"with space.bin", &recorded);
    if (RunningUnderWine()) {
        EXPECT_EQ(L"Загрузка: 5000 б.", recorded.texts.back());
    }
}

TEST_F(FtpServerTest, UploadsCompareByteForByte) {
    Login();
    const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
    struct Case {
        size_t size;
        const wchar_t* remote;
        const wchar_t* lastText;
    };
    const Case cases[] = {
        {0, L"up_empty.bin", L"Выгрузка: 0 б."},
        {10000, L"sub\\up_ten.bin", L"Выгрузка: 10000 из 10000 б. (100%)"},
        {33554433, L"up_over.bin", L"Выгрузка: 33554433 б."},
    };
    for (const Case& test : cases) {
        std::vector<BYTE> bytes(test.size);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>(i * 13 + i / 4093);
        const std::wstring local = folder.file(L"up.bin");
        testing::WriteWholeFile(local, bytes);
        const std::wstring remote = test.remote + suffix;
        // through a recording view, as for large downloads; the real window
        // shows in the cancellation test
        testing::RecordingView quiet(context);
        ASSERT_EQ(0, Upload(local, remote, &quiet)) << test.size;

        const std::wstring onServer = TestServer::RootFile(remote);
        bool ok = false;
        EXPECT_TRUE(ReadWholeFile(onServer, &ok) == bytes) << test.size;
        EXPECT_TRUE(ok) << test.size;
        DeleteFileW(onServer.c_str());
        EXPECT_EQ(std::vector<std::wstring>{L"Передача данных (FTP)"}, quiet.captions);
        EXPECT_EQ(test.lastText, quiet.texts.back());
        if (test.size == 10000) {
            EXPECT_EQ(L"Выгрузка: 0 из 10000 б. (0%)", quiet.texts[1]);
        }
    }
    // the connection is free for the next command
    EXPECT_EQ(0, session.FileExists(L"ten_thousand.bin"));
}

TEST_F(FtpServerTest, ClosingTheRealWindowCancelsAnUploadAndDeletesThePart) {
    Login();
    const std::wstring local = folder.file(L"big.bin");
    testing::WriteWholeFile(local, std::vector<BYTE>(33554433, 0x41));
    const std::wstring remote = L"cancelled_" + std::to_wstring(GetCurrentProcessId()) + L".bin";
    // uploads are not paced: the user closes the window as soon as it shows
    testing::WindowCloser user(L"Передача данных (FTP)", 0);
    EXPECT_EQ(77, Upload(local, remote));
    EXPECT_TRUE(user.Closed());
    EXPECT_FALSE(FileExistsOnDisk(TestServer::RootFile(remote)));
    EXPECT_FALSE(context.progressWindow.get());
    EXPECT_EQ(0, session.FileExists(L"ten_thousand.bin"));
}

TEST_F(FtpServerTest, PacedDownloadKeepsToFortyKilobytesASecond) {
    Login();
    const std::wstring local = folder.file(L"paced.bin");
    const DWORD pacedStart = GetTickCount();
    ASSERT_EQ(0, Download(local, L"ten_thousand.bin", kChunkPauseMs));
    // one pause before the first read and one after each of the three chunks
    EXPECT_GE(GetTickCount() - pacedStart, 400u - 20u);
    EXPECT_EQ(ReadWholeFile(TestServer::RootFile(L"ten_thousand.bin")), ReadWholeFile(local));
}

TEST_F(FtpServerTest, ExistingLocalFileIsReplacedAndMissingFolderGives6) {
    Login();
    const std::wstring local = folder.file(L"target.bin");
    testing::WriteWholeFile(local, std::vector<BYTE>(20000, 1));
    testing::RecordingView quiet(context);
    ASSERT_EQ(0, Download(local, L"ten_thousand.bin", 0, &quiet));
    EXPECT_EQ(ReadWholeFile(TestServer::RootFile(L"ten_thousand.bin")), ReadWholeFile(local));
    EXPECT_EQ(6, Download(folder.file(L"missing\\target.bin"), L"ten_thousand.bin", 0));
    EXPECT_FALSE(context.progressWindow.get());
}

TEST_F(FtpServerTest, ClosingTheRealWindowCancels) {
    Login();
    const std::wstring local = folder.file(L"slow.bin");
    testing::WindowCloser user;
    const long result = Download(local, L"slow.bin", kChunkPauseMs);
    EXPECT_TRUE(user.Closed());
    EXPECT_EQ(77, result);
    EXPECT_FALSE(FileExistsOnDisk(local));
    EXPECT_FALSE(context.progressWindow.get());
    EXPECT_EQ(nullptr, FindWindowW(L"#32770", L"Прием данных (FTP)"));
}

}  // namespace
}  // namespace velmor::ftp

// OrvFtp through COM, from the registered library, against the local server:
// the shared session, the paced download with its real window, cancellation.
#include <gtest/gtest.h>

#include "VelmorCOM_h.h"
#include "common/com_test_util.h"
#include "ftp_test_files.h"
#include "ftp_test_server.h"
#include "tls_test_servers.h"
#include "window_closer.h"

namespace {

using velmor::ComPtr;
using velmor::ScopedBstr;
using velmor::ftp::testing::FileExistsOnDisk;
using velmor::ftp::testing::ReadWholeFile;
using velmor::ftp::testing::TestServer;
using velmor::ftp::testing::TlsServers;

class OrvFtpTest : public ::testing::Test {
protected:
    velmor::test::ComApartment apartment;
    ComPtr<IOrvFtp> first, second;
    velmor::test::TempDir folder;

    void SetUp() override {
        ASSERT_EQ(S_OK, velmor::test::CreateComponent(CLSID_OrvFtp, IID_IOrvFtp, &first));
        ASSERT_EQ(S_OK, velmor::test::CreateComponent(CLSID_OrvFtp, IID_IOrvFtp, &second));
        first->CloseSession();  // the session is the process's, whatever earlier tests left
    }
    void TearDown() override {
        if (first) first->CloseSession();
    }

    static long Connect(IOrvFtp* ftp, const std::wstring& server) {
        long result = -1;
        EXPECT_EQ(S_OK, ftp->Connect(ScopedBstr(server).get(), ScopedBstr(L"tester").get(),
                                     ScopedBstr(L"secret").get(), &result));
        return result;
    }
    static long Call(HRESULT (STDMETHODCALLTYPE IOrvFtp::*method)(BSTR, long*), IOrvFtp* ftp,
                     const std::wstring& arg) {
        long result = -1;
        EXPECT_EQ(S_OK, (ftp->*method)(ScopedBstr(arg).get(), &result));
        return result;
    }
    static long GetFile(IOrvFtp* ftp, const std::wstring& local, const std::wstring& remote) {
        long result = -1;
        EXPECT_EQ(S_OK, ftp->GetFile(ScopedBstr(local).get(), ScopedBstr(remote).get(), &result));
        return result;
    }
    static long PutFile(IOrvFtp* ftp, const std::wstring& local, const std::wstring& remote) {
        long result = -1;
        EXPECT_EQ(S_OK, ftp->PutFile(ScopedBstr(local).get(), ScopedBstr(remote).get(), &result));
        return result;
    }
    static std::wstring Describe(IOrvFtp* ftp, long code) {
        ScopedBstr text;
        EXPECT_EQ(S_OK, ftp->ErrDescription(code, text.receive()));
        return std::wstring(text.get(), SysStringLen(text.get()));
    }
};

TEST_F(OrvFtpTest, ResultsWithoutAServer) {
    EXPECT_EQ(76, Connect(first.get(), L"127.0.0.1"));
    EXPECT_EQ(78, Call(&IOrvFtp::SetCurDir, first.get(), L"a"));
    EXPECT_EQ(78, Call(&IOrvFtp::DeleteFile, first.get(), L"a"));
    EXPECT_EQ(78, Call(&IOrvFtp::CreateDirectory, first.get(), L"a"));
    EXPECT_EQ(78, Call(&IOrvFtp::FileExists, first.get(), L"a"));
    EXPECT_EQ(78, GetFile(first.get(), folder.file(L"a.bin"), L"a"));
    EXPECT_EQ(L"Отмена пользователем", Describe(first.get(), 77));
    EXPECT_EQ(L"Сервер не найден", Describe(first.get(), 82));
    EXPECT_EQ(L"Сертификат сервера не прошел проверку", Describe(first.get(), 83));
    EXPECT_EQ(L"Сервер не поддерживает защищенное соединение", Describe(second.get(), 84));
    EXPECT_EQ(L"Ключ сервера SSH не прошел проверку", Describe(second.get(), 85));

    EXPECT_EQ(78, PutFile(first.get(), folder.file(L"a.bin"), L"a"));

    // null results are refused without doing the work
    EXPECT_EQ(E_POINTER, first->OpenSession(nullptr));
    EXPECT_EQ(76, Connect(first.get(), L"127.0.0.1"));
    EXPECT_EQ(E_POINTER, first->GetFile(nullptr, nullptr, nullptr));
    EXPECT_EQ(E_POINTER, first->PutFile(nullptr, nullptr, nullptr));
    // null strings are empty texts
    long result = -1;
    EXPECT_EQ(S_OK, first->SetProxy(nullptr, nullptr, nullptr));
    EXPECT_EQ(S_OK, first->OpenSession(&result));
    EXPECT_EQ(0, result);
    EXPECT_EQ(S_OK, first->Connect(nullptr, nullptr, nullptr, &result));
    EXPECT_EQ(100, result);
}

// "TLS" in the server text reaches the library's own client through COM.
TEST_F(OrvFtpTest, SessionOverTls) {
    if (!TlsServers::Available()) GTEST_SKIP() << "no TLS servers";
    long result = -1;
    ASSERT_EQ(S_OK, first->OpenSession(&result));
    const std::wstring server =
        TlsServers::Address("pureftpd_self_port", L":TLS=" + TlsServers::Value("fingerprint_self"));
    long connected = -1;
    ASSERT_EQ(S_OK, first->Connect(ScopedBstr(server).get(), ScopedBstr(TlsServers::User()).get(),
                                   ScopedBstr(TlsServers::Password()).get(), &connected));
    ASSERT_EQ(0, connected);
    EXPECT_EQ(0, Call(&IOrvFtp::FileExists, second.get(), TlsServers::Value("utf8_name")));
    const std::wstring local = folder.file(L"tls.bin");
    EXPECT_EQ(0, GetFile(second.get(), local, TlsServers::Value("sample_name")));
    EXPECT_EQ(std::stoul(TlsServers::Value("sample_size")), ReadWholeFile(local).size());
    EXPECT_EQ(83, Connect(first.get(), TlsServers::Address("pureftpd_self_port", L":TLS")));
    // the refused certificate, in the form a pin takes
    ComPtr<IOrvFtp2> ftp;
    ASSERT_EQ(S_OK, first->QueryInterface(IID_IOrvFtp2, reinterpret_cast<void**>(ftp.receive())));
    ScopedBstr fingerprint;
    EXPECT_EQ(S_OK, ftp->get_HostKeyFingerprint(fingerprint.receive()));
    EXPECT_EQ(TlsServers::Value("fingerprint_self"),
              std::wstring(fingerprint.get(), SysStringLen(fingerprint.get())));
}

TEST_F(OrvFtpTest, TwoObjectsShareOneConnection) {
    if (!TestServer::Available()) GTEST_SKIP() << "no local FTP server";
    long result = -1;
    ASSERT_EQ(S_OK, first->OpenSession(&result));
    ASSERT_EQ(0, result);
    // the second object sees the first one's session and connection
    ASSERT_EQ(0, Connect(second.get(), TestServer::Address()));
    EXPECT_EQ(0, Call(&IOrvFtp::FileExists, first.get(), L"ten_thousand.bin"));
    EXPECT_EQ(0, Call(&IOrvFtp::SetCurDir, first.get(), L"sub"));
    EXPECT_EQ(0, Call(&IOrvFtp::FileExists, second.get(), L"inner.txt"));

    // releasing an object closes nothing
    second.reset();
    EXPECT_EQ(0, Call(&IOrvFtp::FileExists, first.get(), L"inner.txt"));
    ASSERT_EQ(S_OK, velmor::test::CreateComponent(CLSID_OrvFtp, IID_IOrvFtp, &second));
    EXPECT_EQ(0, Call(&IOrvFtp::FileExists, second.get(), L"inner.txt"));

    // closing on either ends it for both
    second->CloseSession();
    EXPECT_EQ(78, Call(&IOrvFtp::FileExists, first.get(), L"inner.txt"));
    EXPECT_EQ(76, Connect(first.get(), TestServer::Address()));
}

TEST_F(OrvFtpTest, PacedDownloadWithTheWindow) {
    if (!TestServer::Available()) GTEST_SKIP() << "no local FTP server";
    long result = -1;
    ASSERT_EQ(S_OK, first->OpenSession(&result));
    ASSERT_EQ(0, Connect(first.get(), TestServer::Address(L":P")));
    const std::wstring local = folder.file(L"ten.bin");
    const DWORD start = GetTickCount();
    ASSERT_EQ(0, GetFile(first.get(), local, L"\\ten_thousand.bin"));
    EXPECT_GE(GetTickCount() - start, 380u);  // four pauses of 100 ms
    EXPECT_EQ(ReadWholeFile(TestServer::RootFile(L"ten_thousand.bin")), ReadWholeFile(local));
    EXPECT_EQ(nullptr, FindWindowW(L"#32770", L"Прием данных (FTP)"));

    EXPECT_EQ(1, GetFile(first.get(), folder.file(L"none.bin"), L"no_such_file.bin"));
    EXPECT_EQ(6, GetFile(first.get(), folder.file(L"missing\\x.bin"), L"ten_thousand.bin"));
}

TEST_F(OrvFtpTest, ClosingTheWindowCancelsTheDownload) {
    if (!TestServer::Available()) GTEST_SKIP() << "no local FTP server";
    long result = -1;
    ASSERT_EQ(S_OK, first->OpenSession(&result));
    ASSERT_EQ(0, Connect(first.get(), TestServer::Address()));
    const std::wstring local = folder.file(L"slow.bin");

    velmor::ftp::testing::WindowCloser user;
    const DWORD start = GetTickCount();
    const long cancelled = GetFile(first.get(), local, L"slow.bin");
    EXPECT_TRUE(user.Closed());
    EXPECT_EQ(77, cancelled);
    EXPECT_LT(GetTickCount() - start, 9000u);  // the whole file would take ten seconds
    EXPECT_FALSE(FileExistsOnDisk(local));
    EXPECT_EQ(nullptr, FindWindowW(L"#32770", L"Прием данных (FTP)"));
}

// The host's own code runs between chunks; here a timer of the host ends the
// whole session in the middle of a download.
IOrvFtp* g_sessionToClose = nullptr;
void CALLBACK CloseSessionOnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (g_sessionToClose) g_sessionToClose->CloseSession();
}

TEST_F(OrvFtpTest, SessionClosedByTheHostDuringADownload) {
    if (!TestServer::Available()) GTEST_SKIP() << "no local FTP server";
    long result = -1;
    ASSERT_EQ(S_OK, first->OpenSession(&result));
    ASSERT_EQ(0, Connect(first.get(), TestServer::Address()));
    const std::wstring local = folder.file(L"slow.bin");

    g_sessionToClose = second.get();
    const UINT_PTR timer = SetTimer(nullptr, 0, 500, &CloseSessionOnTimer);
    ASSERT_NE(0u, timer);
    EXPECT_EQ(77, GetFile(first.get(), local, L"slow.bin"));
    KillTimer(nullptr, timer);
    g_sessionToClose = nullptr;
    EXPECT_FALSE(FileExistsOnDisk(local));

    // everything works again after a new session
    EXPECT_EQ(76, Connect(first.get(), TestServer::Address()));
    ASSERT_EQ(S_OK, first->OpenSession(&result));
    ASSERT_EQ(0, Connect(first.get(), TestServer::Address()));
    EXPECT_EQ(0, GetFile(first.get(), folder.file(L"empty.bin"), L"empty.bin"));
}

// IOrvFtp2 over SFTP through COM: the interface beside IOrvFtp, the host key
// to pin, ListDirectory and LastResult.
TEST_F(OrvFtpTest, SessionOverSftp) {
    if (!TlsServers::Available()) GTEST_SKIP() << "no test servers";
    ComPtr<IOrvFtp2> ftp;
    ASSERT_EQ(S_OK, first->QueryInterface(IID_IOrvFtp2, reinterpret_cast<void**>(ftp.receive())));
    ComPtr<IOrvFtp> back;
    ASSERT_EQ(S_OK, ftp->QueryInterface(IID_IOrvFtp, reinterpret_cast<void**>(back.receive())));
    auto text = [](HRESULT (STDMETHODCALLTYPE IOrvFtp2::*get)(BSTR*), IOrvFtp2* object) {
        ScopedBstr value;
        EXPECT_EQ(S_OK, (object->*get)(value.receive()));
        return std::wstring(value.get(), SysStringLen(value.get()));
    };
    long result = -1;
    ScopedBstr listing;
    EXPECT_EQ(S_OK, ftp->ListDirectory(ScopedBstr(L"").get(), listing.receive()));
    EXPECT_EQ(0u, SysStringLen(listing.get()));
    EXPECT_EQ(S_OK, ftp->get_LastResult(&result));
    EXPECT_EQ(78, result);

    ASSERT_EQ(S_OK, ftp->OpenSession(&result));
    const std::wstring user = TlsServers::User(), password = TlsServers::Password();
    auto connect = [&](const std::wstring& server) {
        long connected = -1;
        EXPECT_EQ(S_OK, ftp->Connect(ScopedBstr(server).get(), ScopedBstr(user).get(),
                                     ScopedBstr(password).get(), &connected));
        return connected;
    };
    EXPECT_EQ(85, connect(TlsServers::Address("sftp_port", L":SFTP")));
    const std::wstring key = text(&IOrvFtp2::get_HostKeyFingerprint, ftp.get());
    EXPECT_EQ(TlsServers::Value("ssh_fingerprint_ecdsa"), key);
    ASSERT_EQ(0, connect(TlsServers::Address("sftp_port", L":SFTP=" + key)));
    EXPECT_EQ(S_OK, ftp->get_LastResult(&result));
    EXPECT_EQ(0, result);
    listing.reset();
    EXPECT_EQ(S_OK, ftp->ListDirectory(ScopedBstr(L"sub").get(), listing.receive()));
    EXPECT_EQ(L"inner.txt\t12\t",
              std::wstring(listing.get(), SysStringLen(listing.get())).substr(0, 13));
    EXPECT_EQ(0, Call(&IOrvFtp::FileExists, second.get(), TlsServers::Value("utf8_name")));
    EXPECT_EQ(S_OK, ftp->RemoveDirectory(ScopedBstr(L"нет папки").get(), &result));
    EXPECT_EQ(100, result);
    EXPECT_EQ(S_OK, ftp->SetPrivateKey(ScopedBstr(folder.file(L"none")).get(), nullptr, &result));
    EXPECT_EQ(6, result);
}

}  // namespace

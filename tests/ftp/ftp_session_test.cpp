// FtpSession over a scripted WinINet: the ResultCodes of every operation,
// including the login errors a test server cannot produce.
#include "ftp/ftp_session.h"

#include <gtest/gtest.h>

#include "fake_ftp_api.h"
#include "recording_view.h"

namespace velmor::ftp {
namespace {

using testing::FakeFtpApi;
using testing::RecordingView;

class FtpSessionTest : public ::testing::Test {
protected:
    FakeFtpApi api;  // outlives the context, which closes its handles through it
    FtpContext context;
    RecordingView view{context};
    FtpSession session{context, api, view};

    void OpenAndConnect() {
        ASSERT_EQ(0, session.OpenSession());
        ASSERT_EQ(0, session.Connect(L"host", L"user", L"pw"));
    }
};

TEST_F(FtpSessionTest, OpenSessionDirectAndThroughProxy) {
    EXPECT_EQ(0, session.OpenSession());
    EXPECT_EQ(static_cast<DWORD>(INTERNET_OPEN_TYPE_DIRECT), api.openAccessType);
    EXPECT_TRUE(api.openProxyNull);
    EXPECT_TRUE(api.options.empty());

    // A session that is already open keeps its settings.
    session.SetProxy(L"proxy:8080", L"puser", L"ppass");
    EXPECT_EQ(0, session.OpenSession());
    EXPECT_EQ(1, api.opened);

    session.CloseSession();
    EXPECT_EQ(0, session.OpenSession());
    EXPECT_EQ(static_cast<DWORD>(INTERNET_OPEN_TYPE_PROXY), api.openAccessType);
    EXPECT_EQ(L"proxy:8080", api.openProxy);
    ASSERT_EQ(2u, api.options.size());
    EXPECT_EQ(static_cast<DWORD>(INTERNET_OPTION_PROXY_USERNAME), api.options[0].first);
    EXPECT_EQ(L"puser", api.options[0].second);
    EXPECT_EQ(static_cast<DWORD>(INTERNET_OPTION_PROXY_PASSWORD), api.options[1].first);
    EXPECT_EQ(L"ppass", api.options[1].second);
}

TEST_F(FtpSessionTest, ProxyCredentialsNeedAUserAndAreCut) {
    session.SetProxy(L"proxy", L"", L"ppass");
    EXPECT_EQ(0, session.OpenSession());
    EXPECT_TRUE(api.options.empty());
    session.CloseSession();

    session.SetProxy(std::wstring(300, L'n'), std::wstring(300, L'u'), L"");
    EXPECT_EQ(255u, context.proxyName.size());
    EXPECT_EQ(255u, context.proxyUser.size());
    // an empty proxy name switches the proxy off
    session.SetProxy(L"", L"user", L"pw");
    EXPECT_EQ(0, session.OpenSession());
    EXPECT_EQ(static_cast<DWORD>(INTERNET_OPEN_TYPE_DIRECT), api.openAccessType);
}

TEST_F(FtpSessionTest, OpenSessionFailure) {
    api.openSucceeds = false;
    EXPECT_EQ(100, session.OpenSession());
    EXPECT_FALSE(context.sessionHandle);
}

TEST_F(FtpSessionTest, ConnectPassesAddressAndMode) {
    ASSERT_EQ(0, session.OpenSession());
    EXPECT_EQ(0, session.Connect(L"ftp.host:2121:A", L"user", L"pw"));
    EXPECT_EQ(L"ftp.host", api.connectHost);
    EXPECT_EQ(2121, api.connectPort);
    EXPECT_EQ(0u, api.connectFlags);
    EXPECT_EQ(L"user", api.connectUser);
    EXPECT_EQ(L"pw", api.connectPassword);
    EXPECT_EQ(0, session.Connect(L"ftp.host", L"", L""));
    EXPECT_EQ(21, api.connectPort);
    EXPECT_EQ(0x08000000u, api.connectFlags);
}

TEST_F(FtpSessionTest, ConnectWithoutSessionGives76) {
    EXPECT_EQ(76, session.Connect(L"host", L"u", L"p"));
    OpenAndConnect();
    session.CloseSession();
    EXPECT_EQ(76, session.Connect(L"host", L"u", L"p"));
    EXPECT_TRUE(api.AllClosed());
}

TEST_F(FtpSessionTest, ConnectErrorsMapToResultCodes) {
    ASSERT_EQ(0, session.OpenSession());
    api.connectSucceeds = false;
    const std::pair<DWORD, long> cases[] = {{ERROR_INTERNET_NAME_NOT_RESOLVED, 82},
                                            {ERROR_INTERNET_INCORRECT_USER_NAME, 80},
                                            {ERROR_INTERNET_INCORRECT_PASSWORD, 79},
                                            {ERROR_INTERNET_LOGIN_FAILURE, 81},
                                            {0, 100},
                                            {ERROR_INTERNET_TIMEOUT, 100}};
    for (const auto& [error, code] : cases) {
        api.connectError = error;
        EXPECT_EQ(code, session.Connect(L"host", L"u", L"p")) << error;
    }
}

TEST_F(FtpSessionTest, ReconnectClosesTheOldConnectionFirst) {
    OpenAndConnect();
    HINTERNET first = context.connectionHandle.get();
    ASSERT_EQ(0, session.Connect(L"other", L"u", L"p"));
    EXPECT_TRUE(api.IsClosed(first));
    HINTERNET second = context.connectionHandle.get();

    // a failed login leaves no connection behind
    api.connectSucceeds = false;
    api.connectError = ERROR_INTERNET_LOGIN_FAILURE;
    EXPECT_EQ(81, session.Connect(L"other", L"u", L"p"));
    EXPECT_TRUE(api.IsClosed(second));
    EXPECT_FALSE(context.connectionHandle);
    EXPECT_EQ(78, session.SetCurDir(L"dir"));
}

TEST_F(FtpSessionTest, ServerTextWithoutHostFailsAndDropsConnection) {
    OpenAndConnect();
    const size_t connects = api.opened;
    EXPECT_EQ(100, session.Connect(L"::", L"u", L"p"));
    EXPECT_EQ(connects, static_cast<size_t>(api.opened));
    EXPECT_FALSE(context.connectionHandle);
}

// "TLS" in the server text: the connection is the TLS client's, every later
// operation goes to it, and the WinINet seam sees none of them.
TEST_F(FtpSessionTest, TlsConnectionsGoThroughTheirOwnClient) {
    auto tls = std::make_shared<FakeFtpApi>();
    std::optional<CertificatePin> askedPin;
    int made = 0;
    FtpSession withTls{context, api, view, [&](const std::optional<CertificatePin>& pin) {
                           ++made;
                           askedPin = pin;
                           return tls;
                       }};
    ASSERT_EQ(0, withTls.OpenSession());
    const std::wstring pin(64, L'a');
    ASSERT_EQ(0, withTls.Connect(L"host:2121:A:TLS=" + pin, L"u", L"p"));
    ASSERT_TRUE(askedPin);
    EXPECT_EQ(0xAA, (*askedPin)[31]);
    EXPECT_EQ(2121, tls->connectPort);
    EXPECT_EQ(0u, tls->connectFlags);
    EXPECT_EQ(0, withTls.SetCurDir(L"d\\e"));
    EXPECT_EQ(0, withTls.FileExists(L"f"));
    EXPECT_EQ((std::vector<std::wstring>{L"cd d/e", L"find f"}), tls->calls);
    EXPECT_TRUE(api.calls.empty());

    // a plain connection replaces it, and the TLS client's handles are closed
    ASSERT_EQ(0, withTls.Connect(L"host", L"u", L"p"));
    EXPECT_TRUE(tls->AllClosed());
    EXPECT_EQ(0, withTls.SetCurDir(L"x"));
    EXPECT_EQ(1u, api.calls.size());

    // refused before the network: a proxy, a malformed pin, no TLS client
    tls->connectSucceeds = false;
    tls->connectError = ERROR_INTERNET_SEC_INVALID_CERT;
    EXPECT_EQ(83, withTls.Connect(L"host:TLS", L"u", L"p"));
    EXPECT_EQ(78, withTls.SetCurDir(L"x"));
    EXPECT_EQ(100, withTls.Connect(L"host:TLS=12", L"u", L"p"));
    EXPECT_EQ(100, session.Connect(L"host:TLS", L"u", L"p"));
    withTls.SetProxy(L"proxy", L"", L"");
    EXPECT_EQ(100, withTls.Connect(L"host:TLS", L"u", L"p"));
    EXPECT_EQ(2, made);
}

TEST_F(FtpSessionTest, RemoteOperationsBeforeConnectGive78) {
    EXPECT_EQ(78, session.SetCurDir(L"a"));
    EXPECT_EQ(78, session.DeleteFile(L"a"));
    EXPECT_EQ(78, session.CreateDirectory(L"a"));
    EXPECT_EQ(78, session.FileExists(L"a"));
    ASSERT_EQ(0, session.OpenSession());
    EXPECT_EQ(78, session.SetCurDir(L"a"));
    EXPECT_TRUE(api.calls.empty());
}

TEST_F(FtpSessionTest, RemoteOperationsUseSlashPaths) {
    OpenAndConnect();
    EXPECT_EQ(0, session.SetCurDir(L"a\\b"));
    EXPECT_EQ(0, session.DeleteFile(L"a\\f.txt"));
    EXPECT_EQ(0, session.CreateDirectory(L"\\new"));
    api.remoteOperationsSucceed = false;
    EXPECT_EQ(100, session.SetCurDir(L"x"));
    EXPECT_EQ(100, session.DeleteFile(L"x"));
    EXPECT_EQ(100, session.CreateDirectory(L"x"));
    const std::vector<std::wstring> expected = {L"cd a/b", L"rm a/f.txt", L"mkdir /new",
                                                L"cd x",   L"rm x",       L"mkdir x"};
    EXPECT_EQ(expected, api.calls);
}

TEST_F(FtpSessionTest, FileExistsOutcomes) {
    OpenAndConnect();
    api.SetEntry(L"file.txt", 10);
    EXPECT_EQ(0, session.FileExists(L"dir\\file.txt"));
    EXPECT_EQ(L"find dir/file.txt", api.calls.back());
    EXPECT_EQ(0x84000000u, api.findFlags);

    api.SetEntry(L"empty.txt", 0);
    EXPECT_EQ(0, session.FileExists(L"empty.txt"));
    // a server's error text listed as an empty entry
    api.SetEntry(L"file.txt: No such file or directory", 0);
    EXPECT_EQ(1, session.FileExists(L"file.txt"));
    api.SetEntry(L"odd:name", 5);
    EXPECT_EQ(0, session.FileExists(L"odd:name"));

    api.findSucceeds = false;
    api.findError = ERROR_NO_MORE_FILES;
    api.calls.clear();
    EXPECT_EQ(1, session.FileExists(L"missing"));
    EXPECT_EQ(std::vector<std::wstring>{L"find missing"}, api.calls);

    // a listing without an answer: opening the file decides
    for (DWORD error : {DWORD{0}, DWORD{ERROR_INTERNET_EXTENDED_ERROR}}) {
        api.findError = error;
        api.openFileSucceeds = true;
        EXPECT_EQ(0, session.FileExists(L"with space.txt")) << error;
        EXPECT_EQ(L"open with space.txt", api.calls.back());
        EXPECT_EQ(GENERIC_READ, api.openFileAccess);
        api.openFileSucceeds = false;
        EXPECT_EQ(100, session.FileExists(L"missing")) << error;
    }

    session.CloseSession();
    EXPECT_TRUE(api.AllClosed());
}

TEST_F(FtpSessionTest, ConnectAndCloseSpeakThroughAnOpenWindow) {
    ASSERT_EQ(0, session.OpenSession());
    view.Show(L"caption");
    ASSERT_EQ(0, session.Connect(L"host", L"u", L"p"));
    session.CloseSession();
    const std::vector<std::wstring> expected = {L"Состояние", L"Подключение к серверу...",
                                                L"Завершение..."};
    EXPECT_EQ(expected, view.texts);
    EXPECT_FALSE(view.open);
    EXPECT_EQ(1, context.cancelFlag);
    EXPECT_FALSE(context.sessionHandle);
    EXPECT_FALSE(context.connectionHandle);
}

}  // namespace
}  // namespace velmor::ftp

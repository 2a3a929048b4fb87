// FtpSession over a scripted WinINet: the ResultCodes of every operation,
// including the login errors a test server cannot produce.
#include "ftp/ftp_session.h"

#include <gtest/gtest.h>

#include "fake_ftp_api.h"
#include "ftp/wininet_session.h"
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

    // WinINet's handle of the current connection; null without one.
    HINTERNET Connection() const {
        auto* wininet = dynamic_cast<WinInetSession*>(context.connection.get());
        return wininet != nullptr ? wininet->Handle() : nullptr;
    }
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
    HINTERNET first = Connection();
    ASSERT_EQ(0, session.Connect(L"other", L"u", L"p"));
    EXPECT_TRUE(api.IsClosed(first));
    HINTERNET second = Connection();

    // a failed login leaves no connection behind
    api.connectSucceeds = false;
    api.connectError = ERROR_INTERNET_LOGIN_FAILURE;
    EXPECT_EQ(81, session.Connect(L"other", L"u", L"p"));
    EXPECT_TRUE(api.IsClosed(second));
    EXPECT_FALSE(context.connection);
    EXPECT_EQ(78, session.SetCurDir(L"dir"));
}

TEST_F(FtpSessionTest, ServerTextWithoutHostFailsAndDropsConnection) {
    OpenAndConnect();
    const size_t connects = api.opened;
    EXPECT_EQ(100, session.Connect(L"::", L"u", L"p"));
    EXPECT_EQ(connects, static_cast<size_t>(api.opened));
    EXPECT_FALSE(context.connection);
}

// "TLS" and "SFTP" in the server text: the connection is its connector's,
// every later operation goes to it, and the WinINet seam sees none of them.
TEST_F(FtpSessionTest, TlsAndSftpConnectionsGoThroughTheirConnectors) {
    auto remote = std::make_shared<FakeFtpApi>();
    std::vector<std::wstring> made;  // "tls host:port" / "sftp host:port pin"
    std::optional<CertificatePin> askedPin;
    RemoteOutcome outcome = RemoteOutcome::kOk;
    auto connector = [&](const wchar_t* kind) {
        return [&, kind](const ConnectRequest& request) {
            const ServerAddress& a = request.address;
            made.push_back(std::wstring(kind) + L" " + a.host + L":" + std::to_wstring(a.port) +
                           (a.hostKeyPin.empty() ? L"" : L" " + a.hostKeyPin));
            askedPin = a.pin;
            RemoteConnection connection{outcome, nullptr, L"seen " + std::wstring(kind)};
            if (outcome == RemoteOutcome::kOk) {
                connection.session = std::make_shared<WinInetSession>(
                    *remote, remote->ConnectFtp(nullptr, a.host.c_str(), a.port, L"", L"", 0));
            }
            return connection;
        };
    };
    FtpSession both{context, api, view, connector(L"tls"), connector(L"sftp")};
    ASSERT_EQ(0, both.OpenSession());
    const std::wstring pin(64, L'a');
    ASSERT_EQ(0, both.Connect(L"host:2121:A:TLS=" + pin, L"u", L"p"));
    ASSERT_TRUE(askedPin);
    EXPECT_EQ(0xAA, (*askedPin)[31]);
    EXPECT_EQ(L"seen tls", context.fingerprint);
    EXPECT_EQ(0, both.SetCurDir(L"d\\e"));
    EXPECT_EQ(0, both.FileExists(L"f"));
    EXPECT_EQ((std::vector<std::wstring>{L"cd d/e", L"find f"}), remote->calls);
    EXPECT_TRUE(api.calls.empty());

    // a plain connection replaces it, and the remote session's handles are closed
    ASSERT_EQ(0, both.Connect(L"host", L"u", L"p"));
    EXPECT_TRUE(remote->AllClosed());
    EXPECT_EQ(0, both.SetCurDir(L"x"));
    EXPECT_EQ(1u, api.calls.size());
    EXPECT_EQ(L"seen tls", context.fingerprint);  // plain FTP shows none

    // SFTP: port 22 unless given, the pin runs to the end of the text
    ASSERT_EQ(0, both.Connect(L"h:SFTP", L"u", L"p"));
    ASSERT_EQ(0, both.Connect(L"h:2222:SFTP=SHA256:ab+/c:d", L"u", L"p"));
    EXPECT_EQ(0, both.Connect(L"h:sftp=SHA256:x", L"u", L"p"));
    EXPECT_EQ((std::vector<std::wstring>{L"tls host:2121", L"sftp h:22",
                                         L"sftp h:2222 SHA256:ab+/c:d", L"sftp h:22 SHA256:x"}),
              made);

    // refusals become their codes and leave no connection
    const std::pair<RemoteOutcome, long> refusals[] = {
        {RemoteOutcome::kCertificate, 83},     {RemoteOutcome::kTlsRefused, 84},
        {RemoteOutcome::kHostKeyRejected, 85}, {RemoteOutcome::kWrongPassword, 79},
        {RemoteOutcome::kNameNotResolved, 82}, {RemoteOutcome::kFailed, 100}};
    for (const auto& [refusal, code] : refusals) {
        outcome = refusal;
        EXPECT_EQ(code, both.Connect(L"host:SFTP=SHA256:x", L"u", L"p"));
        EXPECT_EQ(L"seen sftp", context.fingerprint);
        EXPECT_EQ(78, both.SetCurDir(L"x"));
    }

    // refused before the network: a proxy, a malformed pin, TLS and SFTP at
    // once, no connector
    made.clear();
    EXPECT_EQ(100, both.Connect(L"host:TLS=12", L"u", L"p"));
    EXPECT_EQ(100, both.Connect(L"host:TLS:SFTP", L"u", L"p"));
    EXPECT_EQ(100, session.Connect(L"host:TLS", L"u", L"p"));
    EXPECT_EQ(100, session.Connect(L"host:SFTP", L"u", L"p"));
    both.SetProxy(L"proxy", L"", L"");
    EXPECT_EQ(100, both.Connect(L"host:TLS", L"u", L"p"));
    EXPECT_EQ(100, both.Connect(L"host:SFTP", L"u", L"p"));
    EXPECT_TRUE(made.empty());
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
    EXPECT_FALSE(context.connection);
}

}  // namespace
}  // namespace velmor::ftp

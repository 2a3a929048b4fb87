// The engine over TLS against real servers on loopback (vsftpd, proftpd and
// pure-ftpd with TLS required for login and data): whole sessions with a
// pinned certificate, the certificate checks, a server without TLS, and the
// hostile server's tricks.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "common/com_test_util.h"
#include "ftp/ftp_download.h"
#include "ftp/ftp_session.h"
#include "ftp/ftp_upload.h"
#include "ftp/progress_window.h"
#include "ftp/win/schannel_tls_factory.h"
#include "ftp/win/sftp_connector.h"
#include "ftp/wininet_api.h"
#include "ftp_test_files.h"
#include "ftp_test_server.h"
#include "recording_view.h"
#include "tls_test_servers.h"
#include "window_closer.h"

namespace velmor::ftp {
namespace {

using testing::FileExistsOnDisk;
using testing::ReadWholeFile;
using testing::RunningUnderWine;
using testing::TlsServers;
using testing::WindowCloser;
using testing::WriteWholeFile;

// The test CA joins the machine's trusted roots for this prefix.
void TrustTestCa() {
    const std::vector<BYTE> der = ReadWholeFile(TlsServers::WindowsPath("ca_der"));
    ASSERT_FALSE(der.empty());
    ScopedCertStore root(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
    ASSERT_TRUE(root);
    ASSERT_TRUE(CertAddEncodedCertificateToStore(root.get(), X509_ASN_ENCODING, der.data(),
                                                 static_cast<DWORD>(der.size()),
                                                 CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
}

std::vector<BYTE> Pattern(size_t size, unsigned seed) {
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>((i * 131 + seed) >> 3);
    return bytes;
}

class FtpTlsTest : public ::testing::Test {
protected:
    WinInetApi api;
    FtpContext context;
    ProgressWindow window{context, GetModuleHandleW(nullptr)};
    testing::RecordingView quiet{context};
    FtpSession session{context, api, window, SchannelTlsConnector(kWaitMs)};
    Win32LocalFiles files;
    velmor::test::TempDir folder;

    // Long enough for a loaded machine, short enough for a stalled server.
    static constexpr DWORD kWaitMs = 8000;

    static void SetUpTestSuite() {
        if (TlsServers::Available()) TrustTestCa();
    }
    void SetUp() override {
        if (!TlsServers::Available()) GTEST_SKIP() << "no TLS servers (VELMOR_FTP_TLS_STATE)";
        ASSERT_EQ(0, session.OpenSession());
    }
    void TearDown() override { session.CloseSession(); }

    long Connect(const std::wstring& server) {
        return session.Connect(server, TlsServers::User(), TlsServers::Password());
    }
    // Transfers without the real window (each closing costs Wine seconds
    // under Xvfb), unless the user is to close it.
    long Download(const std::wstring& local, const std::wstring& remote, DWORD pauseMs = 0,
                  bool withWindow = false) {
        return FtpDownload(context, withWindow ? static_cast<ProgressView&>(window) : quiet, files,
                           pauseMs)
            .GetFile(local, remote);
    }
    long Upload(const std::wstring& local, const std::wstring& remote, bool withWindow = false) {
        return FtpUpload(context, withWindow ? static_cast<ProgressView&>(window) : quiet, files)
            .PutFile(local, remote);
    }
    std::vector<BYTE> DownloadBytes(const std::wstring& remote) {
        const std::wstring local = folder.file(L"back.bin");
        EXPECT_EQ(0, Download(local, remote)) << remote;
        return ReadWholeFile(local);
    }
    // The user closes the window of a download: 77, no partial file, the session goes on.
    void ExpectClosedDownload(FtpSession& on, const std::wstring& sample) {
        const std::wstring cancelled = folder.file(L"cancelled.bin");
        WindowCloser closer(L"Прием данных (FTP)", 300);
        EXPECT_EQ(77, Download(cancelled, sample, kChunkPauseMs, true));
        EXPECT_TRUE(closer.Closed());
        EXPECT_FALSE(FileExistsOnDisk(cancelled));
        EXPECT_EQ(0, on.FileExists(sample));
    }
    // An upload cancelled the same way leaves nothing on the server.
    void ExpectClosedUpload(FtpSession& on, unsigned seed) {
        const std::wstring big = folder.file(L"big.bin");
        WriteWholeFile(big, Pattern(64 * 1024 * 1024, seed));
        WindowCloser closer(L"Передача данных (FTP)", 0);
        EXPECT_EQ(77, Upload(big, L"отменено.bin", true));
        EXPECT_TRUE(closer.Closed());
        EXPECT_EQ(1, on.FileExists(L"отменено.bin"));
    }
};

struct TlsServer {
    const char* name;
    // The server refuses a data connection that does not resume the control
    // connection's TLS session. Schannel on Windows resumes it; Wine's does not,
    // so under Wine the whole session runs on <name>_noreuse_port.
    bool requiresResumption;
};

class FtpTlsServerTest : public FtpTlsTest, public ::testing::WithParamInterface<TlsServer> {
protected:
    std::string Port(const char* cert) const {
        return std::string(GetParam().name) + "_" + cert + "_port";
    }
    std::wstring Pin(const char* cert) const {
        return L"TLS=" + TlsServers::Value(std::string("fingerprint_") + cert);
    }
};

// A whole session in either mode: upload, download back, lookups of a name
// with blanks and Cyrillic letters, folders, delete, and a cancelled download.
TEST_P(FtpTlsServerTest, WholeSessionWithThePin) {
    const std::wstring utf8Name = TlsServers::Value("utf8_name");
    const std::wstring sample = TlsServers::Value("sample_name");
    std::string sessionPort = Port("self");
    if (GetParam().requiresResumption && RunningUnderWine()) {
        // What needs no data connection; a refused one ends in a code. The rest
        // runs against the same server without the demand.
        ASSERT_EQ(0, Connect(TlsServers::Address(Port("self"), L":" + Pin("self"))));
        EXPECT_EQ(0, session.CreateDirectory(L"папка W"));
        EXPECT_EQ(0, session.SetCurDir(L"папка W"));
        EXPECT_EQ(0, session.SetCurDir(L".."));
        const long refused = Download(folder.file(L"refused.bin"), sample);
        EXPECT_TRUE(refused == 1 || refused == 100) << refused;
        EXPECT_FALSE(FileExistsOnDisk(folder.file(L"refused.bin")));
        sessionPort = std::string(GetParam().name) + "_noreuse_port";
    }
    for (const wchar_t* mode : {L"P", L"A"}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(0, Connect(TlsServers::Address(sessionPort,
                                                 L":" + std::wstring(mode) + L":" + Pin("self"))));
        EXPECT_EQ(0, session.FileExists(utf8Name));
        EXPECT_EQ(1, session.FileExists(L"нет такого файла.txt"));
        const std::vector<BYTE> greeting = DownloadBytes(utf8Name);
        EXPECT_EQ("Привет, FTP over TLS\r\n", std::string(greeting.begin(), greeting.end()));
        EXPECT_EQ(1, Download(folder.file(L"none.bin"), L"нет такого файла.txt"));

        const std::wstring dir = std::wstring(L"папка ") + mode;
        ASSERT_EQ(0, session.CreateDirectory(dir));
        ASSERT_EQ(0, session.SetCurDir(dir));
        const std::vector<BYTE> bytes = Pattern(300000, mode[0]);
        const std::wstring local = folder.file(L"up.bin");
        WriteWholeFile(local, bytes);
        const std::wstring remote = L"выгрузка с пробелом.bin";
        ASSERT_EQ(0, Upload(local, remote));
        EXPECT_EQ(0, session.FileExists(remote));
        EXPECT_TRUE(bytes == DownloadBytes(remote));
        EXPECT_EQ(0, session.DeleteFile(remote));
        EXPECT_EQ(1, session.FileExists(remote));
        ASSERT_EQ(0, session.SetCurDir(L".."));
        EXPECT_EQ(100, session.CreateDirectory(dir));  // it exists already
        ExpectClosedDownload(session, sample);
    }
    ExpectClosedUpload(session, 7);
}

// The certificate: pinned, trusted through the test CA, or refused.
TEST_P(FtpTlsServerTest, CertificateChecks) {
    const std::wstring wrongPin = L"TLS=" + std::wstring(64, L'0');
    const std::wstring localhost = L"localhost:" + TlsServers::Value(Port("ca"));
    const struct {
        std::wstring server;
        long expected;
    } cases[] = {
        {TlsServers::Address(Port("self"), L":TLS"), 83},  // self-signed, no pin
        {TlsServers::Address(Port("self"), L":" + wrongPin), 83},
        {localhost + L":TLS", 0},  // the trusted CA, the right name
        {localhost + L":" + Pin("ca"), 0},
        {L"localhost:" + TlsServers::Value(Port("wrongname")) + L":TLS", 83},
        {L"localhost:" + TlsServers::Value(Port("wrongname")) + L":" + Pin("wrongname"), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, Connect(c.server)) << c.server;
        if (c.expected == 0) {
            EXPECT_EQ(0, session.FileExists(TlsServers::Value("sample_name")));
        }
    }
    // a wrong password is told from a wrong user only where the server tells
    const long wrong = session.Connect(TlsServers::Address(Port("self"), L":" + Pin("self")),
                                       TlsServers::User(), L"wrong");
    EXPECT_TRUE(wrong == 79 || wrong == 81) << wrong;
}

// What every server root holds at the start, as ListDirectory shows it: name
// to "size<TAB>type"; the modified time must be empty or of its form.
std::map<std::wstring, std::wstring> ListedRoot(const std::wstring& listing) {
    std::map<std::wstring, std::wstring> entries;
    size_t begin = 0;
    while (begin < listing.size()) {
        const size_t end = listing.find(L"\r\n", begin);
        if (end == std::wstring::npos) {
            ADD_FAILURE() << "a line without CR LF";
            break;
        }
        const std::wstring line = listing.substr(begin, end - begin);
        begin = end + 2;
        const size_t t1 = line.find(L'\t'), t2 = line.find(L'\t', t1 + 1),
                     t3 = line.find(L'\t', t2 + 1);
        if (t3 == std::wstring::npos) {
            ADD_FAILURE() << "a line without four fields";
            continue;
        }
        const std::wstring modified = line.substr(t2 + 1, t3 - t2 - 1);
        EXPECT_TRUE(modified.empty() || (modified.size() == 19 && modified[4] == L'-' &&
                                         modified[10] == L' ' && modified[16] == L':'))
            << modified.c_str();
        entries[line.substr(0, t1)] =
            line.substr(t1 + 1, t2 - t1 - 1) + L"\t" + line.substr(t3 + 1);
    }
    return entries;
}

// Wine's WinINet cuts listed names at their first blank and reports no
// reason when a folder is empty: over plain FTP there the name with blanks
// is left out and an empty folder gives 100.
std::map<std::wstring, std::wstring> StartingRoot(bool wholeListing = true) {
    std::map<std::wstring, std::wstring> root = {
        {TlsServers::Value("sample_name"), TlsServers::Value("sample_size") + L"\tfile"},
        {L"sub", L"\tdir"}};
    if (wholeListing) root[TlsServers::Value("utf8_name")] = L"28\tfile";
    return root;
}

// Every entry of `expected` is listed as it says (earlier tests may have left
// folders of their own beside them).
void ExpectListed(const std::map<std::wstring, std::wstring>& expected,
                  const std::wstring& listing) {
    const std::map<std::wstring, std::wstring> listed = ListedRoot(listing);
    for (const auto& [name, fields] : expected) {
        const auto found = listed.find(name);
        ASSERT_TRUE(found != listed.end()) << "not listed: " << name.c_str();
        EXPECT_EQ(fields, found->second) << name.c_str();
    }
}

// ListDirectory, RenameFile and RemoveDirectory on the current session,
// which starts in a root as tls_servers.py fills it.
void ListRenameRemove(FtpSession& session, bool wholeListing = true) {
    std::wstring listing;
    ASSERT_EQ(0, session.ListDirectory(L"", &listing));
    ExpectListed(StartingRoot(wholeListing), listing);
    ASSERT_EQ(0, session.ListDirectory(L"sub", &listing));
    EXPECT_EQ((std::map<std::wstring, std::wstring>{{L"inner.txt", L"12\tfile"}}),
              ListedRoot(listing));
    // LIST of a missing folder is an empty listing to some servers (vsftpd)
    const long missing = session.ListDirectory(L"нет папки", &listing);
    EXPECT_TRUE(missing == 100 || missing == 0) << missing;
    EXPECT_TRUE(listing.empty());

    ASSERT_EQ(0, session.CreateDirectory(L"пустая папка"));
    EXPECT_EQ(wholeListing ? 0 : 100, session.ListDirectory(L"пустая папка", &listing));
    EXPECT_TRUE(listing.empty());
    EXPECT_EQ(0, session.RenameFile(L"sub\\inner.txt", L"пустая папка/внутри.txt"));
    EXPECT_NE(0, session.FileExists(L"sub/inner.txt"));
    EXPECT_EQ(100, session.RemoveFolder(L"пустая папка"));  // not empty
    EXPECT_EQ(0, session.RenameFile(L"пустая папка/внутри.txt", L"sub/inner.txt"));
    EXPECT_EQ(0, session.RemoveFolder(L"пустая папка"));
    EXPECT_EQ(100, session.RemoveFolder(L"пустая папка"));
    EXPECT_EQ(100, session.RenameFile(L"нет такого файла", L"x"));
    ASSERT_EQ(0, session.ListDirectory(L"", &listing));
    ExpectListed(StartingRoot(wholeListing), listing);
    EXPECT_EQ(std::wstring::npos, listing.find(L"пустая папка"));
}

TEST_P(FtpTlsServerTest, ListRenameRemove) {
    const std::string port = GetParam().requiresResumption && RunningUnderWine()
                                 ? std::string(GetParam().name) + "_noreuse_port"
                                 : Port("self");
    ASSERT_EQ(0, Connect(TlsServers::Address(port, L":" + Pin("self"))));
    ListRenameRemove(session);
}

// Plain FTP through WinINet: pyftpdlib and vsftpd.
TEST_F(FtpTlsTest, ListRenameRemoveOverPlainFtp) {
    for (const char* port : {"plain_port", "mixed_port"}) {
        SCOPED_TRACE(port);
        ASSERT_EQ(0, Connect(TlsServers::Address(port)));
        ListRenameRemove(session, !RunningUnderWine());
    }
}

// The whole session over SFTP against OpenSSH's sshd.
class FtpSftpTest : public FtpTlsTest {
protected:
    FtpSession sftp{context, api, window, nullptr, SftpConnector(kWaitMs)};

    std::wstring Server(const std::string& pinKey, const char* port = "sftp_port") const {
        return TlsServers::Address(port, L":SFTP=" + TlsServers::Value(pinKey));
    }
    long ConnectSftp(const std::wstring& server, const std::wstring& password = L"") {
        return sftp.Connect(server, TlsServers::User(),
                            password.empty() ? TlsServers::Password() : password);
    }
};

TEST_F(FtpSftpTest, HostKeyAndLogins) {
    const std::wstring ecdsa = TlsServers::Value("ssh_fingerprint_ecdsa");
    // no pin, another key's pin, a malformed pin: 85, with the key to pin shown
    EXPECT_EQ(85, ConnectSftp(TlsServers::Address("sftp_port", L":SFTP")));
    EXPECT_EQ(ecdsa, context.fingerprint);
    EXPECT_EQ(85, ConnectSftp(Server("ssh_fingerprint_rsa")));
    EXPECT_EQ(85, ConnectSftp(TlsServers::Address("sftp_port", L":SFTP=SHA256:abc")));
    EXPECT_EQ(78, sftp.SetCurDir(L"sub"));
    // a server with an Ed25519 host key alone shows that one
    EXPECT_EQ(85, ConnectSftp(Server("ssh_fingerprint_ecdsa", "sftp_ed25519_port")));
    EXPECT_EQ(TlsServers::Value("ssh_fingerprint_ed25519"), context.fingerprint);
    EXPECT_EQ(79, ConnectSftp(Server("ssh_fingerprint_ecdsa"), L"wrong"));
    ASSERT_EQ(0, ConnectSftp(Server("ssh_fingerprint_ecdsa")));
    EXPECT_EQ(0, sftp.FileExists(TlsServers::Value("sample_name")));

    // key logins, with no public key file beside the private one: RSA in PEM, OpenSSH and
    // PKCS#8 form, ECDSA in OpenSSH's form with a passphrase and in PKCS#8, Ed25519 with a
    // passphrase (on the server with the Ed25519 host key and curve25519 key exchange alone);
    // a wrong passphrase or a stranger's key 79
    const std::wstring passphrase = TlsServers::Value("ssh_key_passphrase");
    const std::wstring ecdsaServer = Server("ssh_fingerprint_ecdsa");
    const std::wstring ed25519Server = Server("ssh_fingerprint_ed25519", "sftp_ed25519_port");
    const struct {
        const char* key;
        std::wstring passphrase;
        const std::wstring& server;
        long expected;
    } keys[] = {{"ssh_key_rsa", L"", ecdsaServer, 0},
                {"ssh_key_rsa_openssh", L"", ecdsaServer, 0},
                {"ssh_key_rsa_pkcs8", passphrase, ecdsaServer, 0},
                {"ssh_key_rsa_pkcs8", L"wrong", ecdsaServer, 79},
                {"ssh_key_ecdsa_pkcs8", L"", ed25519Server, 0},
                {"ssh_key_ecdsa", passphrase, ecdsaServer, 0},
                {"ssh_key_ecdsa", L"wrong", ecdsaServer, 79},
                {"ssh_key_ed25519", passphrase, ed25519Server, 0},
                {"ssh_key_ed25519", L"wrong", ed25519Server, 79},
                {"ssh_key_stranger", L"", ecdsaServer, 79}};
    for (const auto& k : keys) {
        ASSERT_EQ(0, sftp.SetPrivateKey(TlsServers::WindowsPath(k.key), k.passphrase));
        EXPECT_EQ(k.expected, ConnectSftp(k.server, L"not the password")) << k.key;
    }
    EXPECT_EQ(6, sftp.SetPrivateKey(folder.file(L"no key"), L""));
    EXPECT_EQ(79, ConnectSftp(Server("ssh_fingerprint_ecdsa"), L"not the password"));
    EXPECT_EQ(0, sftp.SetPrivateKey(L"", L""));  // the password again
    EXPECT_EQ(0, ConnectSftp(Server("ssh_fingerprint_ecdsa")));
}

TEST_F(FtpSftpTest, WholeSession) {
    FtpSession& session = sftp;
    ASSERT_EQ(0, ConnectSftp(Server("ssh_fingerprint_ecdsa")));
    const std::wstring utf8Name = TlsServers::Value("utf8_name");
    const std::wstring sample = TlsServers::Value("sample_name");
    EXPECT_EQ(0, session.FileExists(utf8Name));
    EXPECT_EQ(1, session.FileExists(L"нет такого файла.txt"));
    const std::vector<BYTE> greeting = DownloadBytes(utf8Name);
    EXPECT_EQ("Привет, FTP over TLS\r\n", std::string(greeting.begin(), greeting.end()));
    EXPECT_EQ(1, Download(folder.file(L"none.bin"), L"нет такого файла.txt"));

    const std::wstring dir = L"папка S";
    ASSERT_EQ(0, session.CreateDirectory(dir));
    ASSERT_EQ(0, session.SetCurDir(dir));
    EXPECT_EQ(100, session.SetCurDir(L"нет папки"));
    const std::vector<BYTE> bytes = Pattern(300000, 'S');
    const std::wstring local = folder.file(L"up.bin");
    WriteWholeFile(local, bytes);
    const std::wstring remote = L"выгрузка с пробелом.bin";
    ASSERT_EQ(0, Upload(local, remote));
    EXPECT_EQ(0, session.FileExists(remote));
    EXPECT_TRUE(bytes == DownloadBytes(remote));
    EXPECT_EQ(0, session.DeleteFile(remote));
    EXPECT_EQ(1, session.FileExists(remote));
    ASSERT_EQ(0, session.SetCurDir(L".."));
    EXPECT_EQ(100, session.CreateDirectory(dir));  // it exists already
    EXPECT_EQ(0, session.RemoveFolder(dir));
    ListRenameRemove(session);
    ExpectClosedDownload(session, sample);
    ExpectClosedUpload(session, 9);
}

// A hostile SSH server: every trick ends in a result code within a few
// waits, and no partial local file stays.
TEST_F(FtpSftpTest, HostileServer) {
    constexpr DWORD kShortWaitMs = 2000;
    FtpSession hostile{context, api, window, nullptr, SftpConnector(kShortWaitMs)};
    const std::wstring pin = L":SFTP=" + TlsServers::Value("ssh_fingerprint_ecdsa");
    const std::wstring local = folder.file(L"hostile.bin");
    const std::wstring large = TlsServers::Value("large_name");
    for (const char* port :
         {"hostile_silent_port", "hostile_sshgarbage_port", "hostile_sshhuge_port"}) {
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(100, hostile.Connect(TlsServers::Address(port, pin), TlsServers::User(),
                                       TlsServers::Password()))
            << port;
        EXPECT_LT(GetTickCount64() - start, 4 * kShortWaitMs) << port;
    }
    // relayed to sshd, then cut or stalled in the middle of a download
    for (const char* port : {"hostile_sshcut_port", "hostile_sshstall_port"}) {
        ASSERT_EQ(0, hostile.Connect(TlsServers::Address(port, pin), TlsServers::User(),
                                     TlsServers::Password()))
            << port;
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(100, Download(local, large)) << port;
        EXPECT_LT(GetTickCount64() - start, 4 * kShortWaitMs) << port;
        EXPECT_FALSE(FileExistsOnDisk(local)) << port;
    }
    // and an upload cut the same way fails
    ASSERT_EQ(0, hostile.Connect(TlsServers::Address("hostile_sshcut_port", pin),
                                 TlsServers::User(), TlsServers::Password()));
    const std::wstring source = folder.file(L"source.bin");
    WriteWholeFile(source, Pattern(1024 * 1024, 3));
    EXPECT_EQ(100, Upload(source, L"cut upload.bin"));
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpTlsServerTest,
                         ::testing::Values(TlsServer{"vsftpd", true}, TlsServer{"proftpd", true},
                                           TlsServer{"pureftpd", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FtpTlsTest, ServersWithoutTlsAndWithoutTheAsk) {
    // a server without TLS refuses AUTH TLS
    EXPECT_EQ(84, Connect(TlsServers::Address("plain_port", L":TLS")));
    EXPECT_EQ(78, session.SetCurDir(L"sub"));
    // a server that requires TLS, asked without it, refuses the login as before
    const long plain = Connect(TlsServers::Address("vsftpd_self_port"));
    EXPECT_TRUE(plain == 79 || plain == 80 || plain == 81) << plain;
    // a proxy does not carry TLS
    session.CloseSession();
    session.SetProxy(L"127.0.0.1:9", L"", L"");
    ASSERT_EQ(0, session.OpenSession());
    EXPECT_EQ(100, Connect(TlsServers::Address("vsftpd_self_port", L":TLS")));
    session.SetProxy(L"", L"", L"");
}

// The host connects again while a download pumps its messages: the download
// fails (no truncated file passes for complete) and the new connection works.
TEST_F(FtpTlsTest, ReconnectDuringADownload) {
    struct Reentrant : testing::RecordingView {
        using RecordingView::RecordingView;
        std::function<void()> atThirdPump;
        void PumpMessages() override {
            RecordingView::PumpMessages();
            if (pumps == 3) atThirdPump();
        }
    } view{context};
    const std::wstring server =
        TlsServers::Address("pureftpd_self_port", L":TLS=" + TlsServers::Value("fingerprint_self"));
    view.atThirdPump = [&] { EXPECT_EQ(0, Connect(server)); };
    ASSERT_EQ(0, Connect(server));
    const std::wstring local = folder.file(L"reentrant.bin");
    EXPECT_EQ(
        100, FtpDownload(context, view, files, 0).GetFile(local, TlsServers::Value("sample_name")));
    EXPECT_FALSE(FileExistsOnDisk(local));
    EXPECT_EQ(0, session.FileExists(TlsServers::Value("sample_name")));
}

// The hostile server: every trick ends in a result code within a few waits,
// no partial local file stays, and data goes only to the control connection's
// peer whatever address a passive reply names.
TEST_F(FtpTlsTest, HostileServer) {
    constexpr DWORD kShortWaitMs = 2000;
    FtpSession hostile{context, api, window, SchannelTlsConnector(kShortWaitMs)};
    const std::wstring pin = L":" + std::wstring(L"TLS=") + TlsServers::Value("fingerprint_self");
    const std::wstring login = TlsServers::Address("hostile_login_port", pin);
    std::vector<BYTE> payload(std::stoul(TlsServers::Value("hostile_payload_size")));
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<BYTE>(((i % 251) * 7 + 3) & 0xFF);
    const std::wstring local = folder.file(L"hostile.bin");
    const std::wstring source = folder.file(L"source.bin");
    WriteWholeFile(source, Pattern(4 * 1024 * 1024, 1));  // more than the sockets hold

    enum class Step { kConnect, kDownload, kUpload };
    const struct {
        std::wstring server, user;
        Step step;
        long expected;
    } cases[] = {
        {TlsServers::Address("hostile_silent_port", pin), L"u", Step::kConnect, 100},
        {TlsServers::Address("hostile_garbage_port", pin), L"u", Step::kConnect, 100},
        {TlsServers::Address("hostile_longline_port", pin), L"u", Step::kConnect, 100},
        {TlsServers::Address("hostile_badtls_port", pin), L"u", Step::kConnect, 84},
        {login, L"garbage", Step::kConnect, 100},
        {login, L"longline", Step::kConnect, 100},
        {login, L"stall-reply", Step::kConnect, 100},
        {login, L"pasv-foreign", Step::kDownload, 0},
        {login + L":A", L"pasv-foreign", Step::kDownload, 0},
        {login, L"epsv-foreign", Step::kDownload, 0},
        {login, L"drop-transfer", Step::kDownload, 100},
        {login, L"stall-transfer", Step::kDownload, 100},
        {login, L"drop-transfer", Step::kUpload, 100},
        {login, L"stall-transfer", Step::kUpload, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server + L" " + c.user);
        const ULONGLONG start = GetTickCount64();
        long result = hostile.Connect(c.server, c.user, L"any");
        if (c.step != Step::kConnect) {
            ASSERT_EQ(0, result);
            result = c.step == Step::kDownload ? Download(local, L"file.bin")
                                               : Upload(source, L"file.bin");
        }
        EXPECT_EQ(c.expected, result);
        EXPECT_LT(GetTickCount64() - start, 5 * kShortWaitMs);
        if (c.step == Step::kDownload) {
            EXPECT_EQ(c.expected == 0, FileExistsOnDisk(local));
            if (c.expected == 0) {
                EXPECT_TRUE(payload == ReadWholeFile(local));
            }
        }
        hostile.CloseSession();
        ASSERT_EQ(0, hostile.OpenSession());
    }
}

}  // namespace
}  // namespace velmor::ftp

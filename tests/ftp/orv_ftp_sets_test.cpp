// IOrvFtp3 through COM against pyftpdlib (plain FTP over WinINet), vsftpd over
// TLS and sshd: folder sets by mask, their flags, and transfers that resume.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "VelmorCOM_h.h"
#include "common/com_test_util.h"
#include "ftp_test_files.h"
#include "ftp_test_server.h"
#include "tls_test_servers.h"

namespace {

using velmor::ComPtr;
using velmor::ScopedBstr;
using velmor::ftp::testing::FileExistsOnDisk;
using velmor::ftp::testing::ReadWholeFile;
using velmor::ftp::testing::RunningUnderWine;
using velmor::ftp::testing::TestServer;
using velmor::ftp::testing::TlsServers;
using velmor::ftp::testing::WriteWholeFile;

struct Server {
    const char* name;
    std::wstring address;  // as Connect takes it
    std::wstring root;     // the served root on disk
    std::wstring log;      // where the server writes the commands it took
    // WinINet carries names in the ANSI code page, and Wine's hands out no
    // MDTM reply: its times come from the listing, to the minute.
    bool plain;
};

std::wstring TlsLog(const std::wstring& name) {
    return velmor::ftp::testing::StateFolderFrom(L"VELMOR_FTP_TLS_STATE") + L"\\logs\\" + name;
}

std::vector<Server> Servers() {
    std::vector<Server> servers;
    if (TestServer::Available()) {
        servers.push_back({"pyftpdlib", TestServer::Address(), TestServer::Root(),
                           TestServer::Root() + L"\\..\\server.log", true});
    }
    if (TlsServers::Available()) {
        const std::wstring tls = L":TLS=" + TlsServers::Value("fingerprint_self");
        const std::wstring sftp = L":SFTP=" + TlsServers::Value("ssh_fingerprint_ecdsa");
        // Wine's Schannel resumes no TLS session: the vsftpd that asks none.
        servers.push_back({"vsftpd", TlsServers::Address("vsftpd_noreuse_port", tls),
                           TlsServers::WindowsPath("vsftpd_root"),
                           TlsLog(L"vsftpd-noreuse.protocol.log"), false});
        servers.push_back({"sshd", TlsServers::Address("sftp_port", sftp),
                           TlsServers::WindowsPath("sftp_root"), L"", false});
    }
    return servers;
}

std::vector<BYTE> Bytes(size_t size, unsigned seed) {
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(i * seed + i / 251);
    return bytes;
}

// Seconds since 1601 of a file's last write.
ULONGLONG WriteSeconds(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return ((static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
            data.ftLastWriteTime.dwLowDateTime) /
           10000000;
}

std::string Text(const std::wstring& path) {
    const std::vector<BYTE> bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

class OrvFtpSetsTest : public ::testing::Test {
protected:
    velmor::test::ComApartment apartment;
    ComPtr<IOrvFtp3> ftp;
    velmor::test::TempDir folder;

    void SetUp() override {
        ASSERT_EQ(S_OK, velmor::test::CreateComponent(CLSID_OrvFtp, IID_IOrvFtp3, &ftp));
        ftp->CloseSession();
        long result = -1;
        ASSERT_EQ(S_OK, ftp->OpenSession(&result));
        ftp->put_ShowProgressWindow(VARIANT_FALSE);
        ftp->put_SpeedLimit(0);
    }
    void TearDown() override {
        if (ftp) ftp->CloseSession();
    }

    long Connect(const Server& server) {
        const std::wstring user = server.plain ? L"tester" : TlsServers::User();
        const std::wstring password = server.plain ? L"secret" : TlsServers::Password();
        long result = -1;
        EXPECT_EQ(S_OK, ftp->Connect(ScopedBstr(server.address).get(), ScopedBstr(user).get(),
                                     ScopedBstr(password).get(), &result));
        return result;
    }
    long Set(HRESULT (STDMETHODCALLTYPE IOrvFtp3::*method)(BSTR, BSTR, long, long*),
             const std::wstring& from, const std::wstring& to, long flags) {
        long result = -1;
        EXPECT_EQ(S_OK, (ftp.get()->*method)(ScopedBstr(from).get(), ScopedBstr(to).get(), flags,
                                             &result));
        return result;
    }
    long File(HRESULT (STDMETHODCALLTYPE IOrvFtp::*method)(BSTR, BSTR, long*),
              const std::wstring& local, const std::wstring& remote) {
        long result = -1;
        EXPECT_EQ(S_OK,
                  (ftp.get()->*method)(ScopedBstr(local).get(), ScopedBstr(remote).get(), &result));
        return result;
    }
    std::wstring Transferred() {
        ScopedBstr text;
        EXPECT_EQ(S_OK, ftp->get_TransferredFiles(text.receive()));
        return std::wstring(text.get(), SysStringLen(text.get()));
    }
};

TEST_F(OrvFtpSetsTest, PropertiesAndArguments) {
    VARIANT_BOOL flag = VARIANT_TRUE;
    long limit = -1, result = -1;
    ComPtr<IOrvFtp3> fresh;
    ASSERT_EQ(S_OK, velmor::test::CreateComponent(CLSID_OrvFtp, IID_IOrvFtp3, &fresh));
    EXPECT_EQ(S_OK, fresh->get_Resume(&flag));
    EXPECT_EQ(VARIANT_FALSE, flag);
    EXPECT_EQ(S_OK, fresh->get_PreserveTime(&flag));
    EXPECT_EQ(VARIANT_FALSE, flag);
    EXPECT_EQ(S_OK, fresh->get_SpeedLimit(&limit));
    EXPECT_EQ(40960, limit);
    EXPECT_EQ(E_INVALIDARG, fresh->put_SpeedLimit(-1));
    EXPECT_EQ(E_INVALIDARG, fresh->GetFiles(nullptr, nullptr, 8, &result));
    EXPECT_EQ(E_INVALIDARG, fresh->PutFiles(nullptr, nullptr, -1, &result));
    EXPECT_EQ(78, Set(&IOrvFtp3::GetFiles, L"/", folder.path(), 0));
    EXPECT_EQ(L"", Transferred());
}

// One table through every server: the sets of a mask, with and without
// subfolders, then vtNewerOnly and vtMove, in both directions.
TEST_F(OrvFtpSetsTest, FolderSetsByMask) {
    const std::vector<Server> servers = Servers();
    if (servers.empty()) GTEST_SKIP() << "no test servers";
    for (const Server& server : servers) {
        SCOPED_TRACE(server.name);
        ASSERT_EQ(0, Connect(server));
        // Blanks and Cyrillic letters where the listing carries them (Wine's
        // WinINet cuts names at a blank and speaks the ANSI code page).
        const std::wstring sub = server.plain ? L"sub_dir" : L"sub dir";
        const std::wstring inner = server.plain ? L"inner_file.xml" : L"файл с пробелом.xml";
        const velmor::test::TempDir source, back, flat;
        CreateDirectoryW(source.file(sub).c_str(), nullptr);
        CreateDirectoryW(source.file(sub + L"\\deeper").c_str(), nullptr);
        const std::vector<std::pair<std::wstring, size_t>> files = {{L"a.xml", 100},
                                                                    {L"b.XML", 5000},
                                                                    {L"c.txt", 50},
                                                                    {sub + L"\\" + inner, 300},
                                                                    {sub + L"\\deeper\\e.xml", 0}};
        for (size_t i = 0; i < files.size(); ++i) {
            WriteWholeFile(source.file(files[i].first), Bytes(files[i].second, 3 + i));
        }
        const std::string name = server.name;
        const std::wstring remote = L"sets-" + std::wstring(name.begin(), name.end());
        const std::wstring all =
            L"a.xml\r\nb.XML\r\n" + sub + L"/" + inner + L"\r\n" + sub + L"/deeper/e.xml\r\n";
        ftp->put_PreserveTime(VARIANT_TRUE);
        ASSERT_EQ(0, Set(&IOrvFtp3::PutFiles, source.file(L"*.xml"), remote + L"/in", vtRecurse));
        EXPECT_EQ(all, Transferred());
        EXPECT_EQ(ReadWholeFile(source.file(L"b.XML")),
                  ReadWholeFile(server.root + L"\\" + remote + L"\\in\\b.XML"));
        // every file again, newer only: none is
        EXPECT_EQ(0, Set(&IOrvFtp3::PutFiles, source.file(L"*.xml"), remote + L"/in",
                         vtRecurse | vtNewerOnly));
        EXPECT_EQ(L"", Transferred());

        ASSERT_EQ(0,
                  Set(&IOrvFtp3::GetFiles, remote + L"/in/*.XML", back.file(L"new\\"), vtRecurse));
        std::wstring local = all;
        for (size_t at = local.find(L'/'); at != std::wstring::npos; at = local.find(L'/'))
            local[at] = L'\\';
        EXPECT_EQ(local, Transferred());
        for (const auto& file : files) {
            if (file.first == L"c.txt") continue;
            EXPECT_EQ(ReadWholeFile(source.file(file.first)),
                      ReadWholeFile(back.file(L"new\\" + file.first)));
        }
        const ULONGLONG sent = WriteSeconds(server.root + L"\\" + remote + L"\\in\\a.xml");
        const ULONGLONG kept = WriteSeconds(back.file(L"new\\a.xml"));
        EXPECT_EQ(server.plain ? sent / 60 : sent, server.plain ? kept / 60 : kept);
        EXPECT_EQ(0, Set(&IOrvFtp3::GetFiles, remote + L"/in/*.XML", back.file(L"new"),
                         vtRecurse | vtNewerOnly));
        EXPECT_EQ(L"", Transferred());

        // the folder itself, no subfolders; then moved: nothing is left to match
        EXPECT_EQ(0, Set(&IOrvFtp3::GetFiles, remote + L"/in", flat.path(), 0));
        EXPECT_EQ(L"a.xml\r\nb.XML\r\n", Transferred());
        EXPECT_EQ(0, Set(&IOrvFtp3::GetFiles, remote + L"/in/*.xml", flat.file(L"moved"),
                         vtRecurse | vtMove));
        const std::wstring moved = Transferred();
        EXPECT_EQ(4, std::count(moved.begin(), moved.end(), L'\n'));
        EXPECT_FALSE(FileExistsOnDisk(server.root + L"\\" + remote + L"\\in\\a.xml"));
        EXPECT_EQ(1, Set(&IOrvFtp3::GetFiles, remote + L"/in/*.xml", flat.path(), vtRecurse));
        EXPECT_EQ(6, Set(&IOrvFtp3::PutFiles, source.file(L"*.none"), remote, 0));
        EXPECT_EQ(0, Set(&IOrvFtp3::PutFiles, source.file(L"c.*"), remote + L"/out", vtMove));
        EXPECT_FALSE(FileExistsOnDisk(source.file(L"c.txt")));
        ftp->put_PreserveTime(VARIANT_FALSE);
    }
}

// Resume: a part found on either side is continued where it ends, the
// server's log shows the restart; a part longer than the file starts over.
TEST_F(OrvFtpSetsTest, ResumeFromAPart) {
    const std::vector<Server> servers = Servers();
    if (servers.empty()) GTEST_SKIP() << "no test servers";
    const std::vector<BYTE> whole = Bytes(20000, 11);
    const std::vector<BYTE> head(whole.begin(), whole.begin() + 6000);
    const std::wstring source = folder.file(L"whole.bin"), prefix = folder.file(L"head.bin");
    WriteWholeFile(source, whole);
    WriteWholeFile(prefix, head);
    for (const Server& server : servers) {
        SCOPED_TRACE(server.name);
        ASSERT_EQ(0, Connect(server));
        ftp->put_Resume(VARIANT_FALSE);
        // a part on the server, left there as a broken upload leaves it
        ASSERT_EQ(0, File(&IOrvFtp::PutFile, prefix, L"resumed.bin.filepart"));
        ftp->put_Resume(VARIANT_TRUE);
        ASSERT_EQ(0, File(&IOrvFtp::PutFile, source, L"resumed.bin"));
        EXPECT_EQ(whole, ReadWholeFile(server.root + L"\\resumed.bin"));
        EXPECT_FALSE(FileExistsOnDisk(server.root + L"\\resumed.bin.filepart"));
        // a part here, as a broken download leaves it; then one too long
        const std::wstring local = folder.file(L"resumed.bin");
        for (const std::vector<BYTE>& part : {head, Bytes(30000, 5)}) {
            WriteWholeFile(local + L".filepart", part);
            ASSERT_EQ(0, File(&IOrvFtp::GetFile, local, L"resumed.bin"));
            EXPECT_EQ(whole, ReadWholeFile(local));
            EXPECT_FALSE(FileExistsOnDisk(local + L".filepart"));
        }
        if (!server.log.empty()) {
            EXPECT_NE(std::string::npos, Text(server.log).find("REST 6000"));
        }
    }
    ftp->put_Resume(VARIANT_FALSE);
}

// A download over SFTP cut by the relay in the middle keeps its part; the
// same download later goes on from there, as sshd's log of the bytes it sent
// shows, and arrives whole.
TEST_F(OrvFtpSetsTest, DownloadCutByTheRelayResumes) {
    if (!TlsServers::Available()) GTEST_SKIP() << "no test servers";
    const std::wstring pin = L":SFTP=" + TlsServers::Value("ssh_fingerprint_ecdsa");
    const std::wstring large = TlsServers::Value("large_name");
    const std::wstring local = folder.file(L"large.bin");
    ftp->put_Resume(VARIANT_TRUE);
    ASSERT_EQ(0,
              Connect({"relay", TlsServers::Address("hostile_sshcut_port", pin), L"", L"", false}));
    EXPECT_EQ(100, File(&IOrvFtp::GetFile, local, large));
    EXPECT_FALSE(FileExistsOnDisk(local));
    const size_t part = ReadWholeFile(local + L".filepart").size();
    EXPECT_GT(part, 0u);
    ASSERT_EQ(0, Connect({"sshd", TlsServers::Address("sftp_port", pin), L"", L"", false}));
    ASSERT_EQ(0, File(&IOrvFtp::GetFile, local, large));
    const std::vector<BYTE> served =
        ReadWholeFile(TlsServers::WindowsPath("sftp_root") + L"\\" + large);
    EXPECT_EQ(served, ReadWholeFile(local));
    // sshd logs the bytes each connection sent: the second one sent the rest
    // and its protocol's few kilobytes, not the whole file again.
    ftp->CloseSession();  // sshd writes the line when the connection ends
    Sleep(500);
    const std::string log = Text(TlsLog(L"sshd.log"));
    bool restarted = false;
    for (size_t at = log.find("Transferred: sent "); at != std::string::npos;
         at = log.find("Transferred: sent ", at + 1)) {
        const size_t sent = std::stoull(log.substr(at + 18, 20));
        restarted = restarted || (sent >= served.size() - part && sent < served.size());
    }
    EXPECT_TRUE(restarted) << "part " << part;
}

}  // namespace

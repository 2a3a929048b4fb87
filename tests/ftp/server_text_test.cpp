#include "ftp/server_text.h"

#include <gtest/gtest.h>

#include "ftp/ftp_error_mapping.h"
#include "ftp/ftp_paths.h"
#include "ftp/wininet_session.h"

namespace velmor::ftp {
namespace {

struct ServerCase {
    const wchar_t* text;
    const wchar_t* host;
    INTERNET_PORT port;
    bool passive;
};

TEST(FtpServerText, PortAndModePieces) {
    const ServerCase cases[] = {
        {L"ftp.example", L"ftp.example", 21, true},
        {L"host:2121", L"host", 2121, true},
        {L"host:A", L"host", 21, false},
        {L"host:2121:A", L"host", 2121, false},
        {L"host:A:2121", L"host", 2121, false},
        {L"host:a:P", L"host", 21, true},
        {L"host:p:a", L"host", 21, false},
        {L"host:0", L"host", 21, true},
        // runs of separators count as one; no empty pieces
        {L"host:::2121::A", L"host", 2121, false},
        {L":host:2121", L"host", 2121, true},
        // a fourth piece is ignored
        {L"host:2121:P:A", L"host", 2121, true},
        {L"host:21:22:23", L"host", 22, true},
        // the C runtime's number rules: blanks, sign, trailing junk
        {L"host: 2121", L"host", 2121, true},
        {L"host:2121x", L"host", 2121, true},
        {L"host:Active2121", L"host", 21, false},
        // cut to 16 bits
        {L"host:65557", L"host", 21, true},
        {L"host:-1", L"host", 65535, true},
    };
    for (const ServerCase& c : cases) {
        const ServerAddress address = ParseServerText(c.text);
        EXPECT_EQ(c.host, address.host) << c.text;
        EXPECT_EQ(c.port, address.port) << c.text;
        EXPECT_EQ(c.passive, address.passive) << c.text;
    }
}

TEST(FtpServerText, TlsPieces) {
    const std::wstring hex = L"E2a57E893F45A555D80EC8B58522FEE674ECE700E6EB633BB0EF815A152CEDB9";
    struct TlsCase {
        std::wstring text;
        INTERNET_PORT port;
        bool passive, tls, pinned, badPin;
    };
    const TlsCase cases[] = {
        {L"host:TLS", 21, true, true, false, false},
        {L"host:2121:a:tls", 2121, false, true, false, false},
        {L"host:tLs:990", 990, true, true, false, false},
        {L"host:A:TLS=" + hex, 21, false, true, true, false},
        // a fifth piece is ignored, as before
        {L"host:21:A:P:TLS", 21, false, false, false, false},
        // pieces that only begin like it ask for nothing
        {L"host:TLSX", 21, true, false, false, false},
        {L"host:STLS", 21, true, false, false, false},
        // a pin that is not 64 hexadecimal digits is never taken for no pin
        {L"host:TLS=" + hex.substr(1), 21, true, true, false, true},
        {L"host:TLS=" + hex + L"0", 21, true, true, false, true},
        {L"host:TLS=" + hex.substr(0, 63) + L"g", 21, true, true, false, true},
        {L"host:TLS=", 21, true, true, false, true},
    };
    for (const TlsCase& c : cases) {
        const ServerAddress address = ParseServerText(c.text);
        EXPECT_EQ(L"host", address.host) << c.text;
        EXPECT_EQ(c.port, address.port) << c.text;
        EXPECT_EQ(c.passive, address.passive) << c.text;
        EXPECT_EQ(c.tls, address.tls) << c.text;
        EXPECT_EQ(c.pinned, address.pin.has_value()) << c.text;
        EXPECT_EQ(c.badPin, address.badPin) << c.text;
    }
    const ServerAddress pinned = ParseServerText(L"h:TLS=" + hex);
    ASSERT_TRUE(pinned.pin);
    EXPECT_EQ(0xE2, (*pinned.pin)[0]);
    EXPECT_EQ(0xA5, (*pinned.pin)[1]);
    EXPECT_EQ(0xB9, (*pinned.pin)[31]);
}

TEST(FtpServerText, NoHostPiece) {
    EXPECT_TRUE(ParseServerText(L"").host.empty());
    EXPECT_TRUE(ParseServerText(L":::").host.empty());
}

TEST(FtpPaths, RemotePathsTurnBackslashesAndAreCut) {
    EXPECT_EQ(L"dir/sub/file.txt", PrepareRemotePath(L"dir\\sub\\file.txt"));
    EXPECT_EQ(L"/a/b", PrepareRemotePath(L"\\a/b"));
    const std::wstring longPath(300, L'\\');
    const std::wstring prepared = PrepareRemotePath(longPath);
    EXPECT_EQ(std::wstring(259, L'/'), prepared);
    EXPECT_EQ(std::wstring(259, L'x'), PrepareRemotePath(std::wstring(259, L'x')));
}

TEST(FtpPaths, LocalPathsAreOnlyCut) {
    EXPECT_EQ(L"C:\\dir\\file.txt", PrepareLocalPath(L"C:\\dir\\file.txt"));
    EXPECT_EQ(259u, PrepareLocalPath(std::wstring(400, L'a')).size());
    EXPECT_EQ(255u, CutText(std::wstring(256, L'p'), 255).size());
    EXPECT_EQ(L"ab", CutText(std::wstring(L"ab\0cd", 5), 255));
}

TEST(FtpErrorMapping, ConnectFailures) {
    const std::pair<DWORD, long> wininet[] = {{ERROR_INTERNET_NAME_NOT_RESOLVED, 82},
                                              {ERROR_INTERNET_INCORRECT_USER_NAME, 80},
                                              {ERROR_INTERNET_INCORRECT_PASSWORD, 79},
                                              {ERROR_INTERNET_LOGIN_FAILURE, 81},
                                              {0, 100},
                                              {ERROR_INTERNET_CANNOT_CONNECT, 100},
                                              {ERROR_INTERNET_EXTENDED_ERROR, 100}};
    for (const auto& [error, code] : wininet) {
        EXPECT_EQ(code, ResultForConnect(OutcomeForWinInetError(error))) << error;
    }
    const std::pair<FtpOutcome, long> tls[] = {
        {FtpOutcome::kNameNotResolved, 82}, {FtpOutcome::kWrongUser, 80},
        {FtpOutcome::kWrongPassword, 79},   {FtpOutcome::kLoginFailed, 81},
        {FtpOutcome::kCertificate, 83},     {FtpOutcome::kTlsRefused, 84},
        {FtpOutcome::kConnectFailed, 100},  {FtpOutcome::kTimedOut, 100},
        {FtpOutcome::kProtocolError, 100},  {FtpOutcome::kClosed, 100},
        {FtpOutcome::kRefused, 100},        {FtpOutcome::kNotConnected, 100},
    };
    for (const auto& [outcome, code] : tls) {
        EXPECT_EQ(code, ResultForConnect(OutcomeForFtp(outcome))) << OutcomeName(outcome);
    }
    EXPECT_EQ(85, ResultForConnect(RemoteOutcome::kHostKeyRejected));
    // a lookup tells a missing file the same way over either
    EXPECT_EQ(RemoteOutcome::kNotFound, OutcomeForFtp(FtpOutcome::kNotFound));
    EXPECT_EQ(RemoteOutcome::kNotFound, OutcomeForWinInetError(ERROR_NO_MORE_FILES));
}

TEST(FtpErrorMapping, ErrorTextEntries) {
    WIN32_FIND_DATAW entry{};
    wcscpy(entry.cFileName, L"550 missing: no such file");
    EXPECT_TRUE(IsErrorTextEntry(entry));
    entry.nFileSizeLow = 1;
    EXPECT_FALSE(IsErrorTextEntry(entry));
    entry.nFileSizeLow = 0;
    entry.nFileSizeHigh = 1;  // exactly 4 GiB
    EXPECT_FALSE(IsErrorTextEntry(entry));
    entry.nFileSizeHigh = 0;
    entry.nFileSizeLow = 0;
    wcscpy(entry.cFileName, L"empty.bin");
    EXPECT_FALSE(IsErrorTextEntry(entry));
    // a name that fills the whole field without a terminator is read no further
    wmemset(entry.cFileName, L'x', MAX_PATH);
    EXPECT_FALSE(IsErrorTextEntry(entry));
}

TEST(FtpServerText, MasksMatchWithoutCase) {
    const struct {
        const wchar_t* mask;
        const wchar_t* name;
        bool matches;
    } cases[] = {
        {L"*", L"any name.bin", true},   {L"*.xml", L"a.XML", true},
        {L"*.xml", L"a.xml.bak", false}, {L"?.txt", L"a.txt", true},
        {L"?.txt", L"ab.txt", false},    {L"*a*b?", L"xxaYYbZ", true},
        {L"*a*b?", L"xxaYYb", false},    {L"ОТЧЁТ*.XML", L"отчёт 1.xml", true},
        {L"data", L"DATA", true},        {L"**.*", L"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.matches, MatchesMask(c.mask, c.name)) << c.mask;
}

}  // namespace
}  // namespace velmor::ftp

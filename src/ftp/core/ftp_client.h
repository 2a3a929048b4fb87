// An FTP client over explicit TLS (AUTH TLS, PBSZ 0, PROT P) on a Network:
// the control connection, login, the directory commands, lookups and
// transfers in chunks for a loop that can be cancelled. Names and
// credentials are bytes as they travel: UTF-8 when NamesAreUtf8() says so,
// otherwise the caller's ANSI code page.
//
// Every failure ends in an FtpOutcome. A failure of the control connection
// (timeout, closed, garbage, over-long reply) closes it: later calls give
// kNotConnected. A server's refusal keeps the session usable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ftp/core/ftp_reply.h"
#include "ftp/core/listing_parsers.h"
#include "ftp/core/network.h"
#include "ftp/core/remote_entry.h"

namespace velmor::ftp {

enum class FtpOutcome {
    kOk,
    kNameNotResolved,  // the host name did not resolve
    kConnectFailed,    // no control connection, or no greeting to serve us
    kTlsRefused,       // AUTH TLS, PBSZ or PROT refused, or the handshake failed
    kCertificate,      // the server's certificate failed the check
    kWrongUser,        // 530 to USER
    kWrongPassword,    // 530 to PASS
    kLoginFailed,      // any other refusal of the login
    kNotFound,         // Lookup: no such entry
    kRefused,          // the server refused the command (4xx/5xx)
    kTimedOut,         // the transport's time bound passed
    kProtocolError,    // garbage, an over-long reply, a reply out of sequence
    kClosed,           // the server closed a connection
    kNotConnected,     // no control connection (never logged in, or lost)
    kBusy,             // a transfer is open: finish or abort it first
    kBadName,          // a name holding CR, LF or NUL, never sent
    kRestartRefused,   // REST refused: the transfer can only start at 0
};

// A short English name of an outcome, for logs and test messages.
const char* OutcomeName(FtpOutcome outcome);

// The most time one reply may take to arrive in full. The transport bounds
// every single wait; this bounds a server that trickles a reply byte by byte.
constexpr std::int64_t kReplyTimeLimitMs = 120000;

class FtpClient {
public:
    // Milliseconds on a clock that never goes back.
    using Clock = std::function<std::int64_t()>;

    // The network must outlive the client. Without a clock the client uses
    // std::chrono::steady_clock.
    explicit FtpClient(Network& network, Clock clock = nullptr);
    ~FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    // Open and LogIn in one.
    FtpOutcome Login(const std::string& host, std::uint16_t port, const std::string& user,
                     const std::string& password, bool passive);
    // Connects, reads the greeting, asks FEAT, secures the control connection
    // (AUTH TLS, the handshake, PBSZ 0, PROT P). Closes any earlier session
    // first. After success NamesAreUtf8() tells how to encode the credentials.
    FtpOutcome Open(const std::string& host, std::uint16_t port, bool passive);
    // USER/PASS, OPTS UTF8 ON where the server announces UTF8, TYPE I. On
    // failure the control connection is closed.
    FtpOutcome LogIn(const std::string& user, const std::string& password);

    bool Connected() const;
    // Whether the server announced UTF8 (names then travel as UTF-8).
    bool NamesAreUtf8() const { return features_.utf8; }
    const FtpFeatures& Features() const { return features_; }
    // The last reply the server gave (code 0 when none).
    const FtpReply& LastReply() const { return lastReply_; }

    FtpOutcome ChangeDirectory(const std::string& path);  // CWD
    FtpOutcome RemoveFile(const std::string& path);       // DELE
    FtpOutcome MakeDirectory(const std::string& path);    // MKD
    FtpOutcome RemoveFolder(const std::string& path);     // RMD
    // RNFR, then RNTO when the server asks for the new name.
    FtpOutcome Rename(const std::string& from, const std::string& to);
    // A folder's entries (an empty path: the current folder), "." and ".."
    // left out: MLSD where the server offers machine listings, otherwise LIST
    // read in the Unix and DOS styles (lines neither style reads are skipped).
    FtpOutcome List(const std::string& path, std::vector<RemoteEntry>* entries);
    // kOk with the entry (size known or not), kNotFound, or the failure. MLST
    // where the server offers it, otherwise SIZE and then LIST.
    FtpOutcome Lookup(const std::string& path, RemoteEntry* entry);

    // RETR: opens the data connection; then Read until it gives 0 bytes. An
    // offset other than 0 goes first as REST; kRestartRefused when the server
    // refuses it.
    FtpOutcome OpenRetrieve(const std::string& path, std::uint64_t offset = 0);
    // Up to `capacity` bytes of the file (*received >= 1), or at the end of the
    // data *received 0 with the server's final verdict (the transfer is then
    // finished). A failure aborts the transfer.
    FtpOutcome Read(void* buffer, size_t capacity, size_t* received);
    // STOR: opens the data connection; then Write, and FinishTransfer. An
    // offset other than 0 goes first as REST, as for OpenRetrieve.
    FtpOutcome OpenStore(const std::string& path, std::uint64_t offset = 0);
    FtpOutcome Write(const void* data, size_t size);
    // Ends the open transfer: a store sends its end and takes the server's
    // verdict; a retrieve that has not reached its end is aborted and gives
    // kRefused. kOk when no transfer is open.
    FtpOutcome FinishTransfer();
    // Cancels the open transfer: closes the data connection and reads the
    // server's answer, so that the control connection stays usable. kOk when
    // the session survived (or no transfer was open).
    FtpOutcome AbortTransfer();
    bool TransferOpen() const { return transfer_ != Transfer::kNone; }

    // MDTM: the file's modification time as "YYYY-MM-DD HH:MM:SS" (UTC).
    FtpOutcome ModifiedTime(const std::string& path, std::string* utc);
    // MFMT: sets it; kRefused where the server does not announce MFMT.
    FtpOutcome SetModifiedTime(const std::string& path, const std::string& utc);

    // QUIT, then the control connection is closed whatever the answer.
    FtpOutcome Quit();
    // Closes every connection without a word to the server.
    void Disconnect();

private:
    enum class Transfer { kNone, kRetrieve, kStore };
    enum class PassiveMode { kUnknown, kExtended, kClassic };

    FtpOutcome Fail(FtpOutcome outcome);
    FtpOutcome FailStatus(NetStatus status);
    FtpOutcome SendCommand(const std::string& verb, const std::string& argument);
    FtpOutcome ReadReply(FtpReply* reply);
    FtpOutcome ReadFinalReply(FtpReply* reply);
    FtpOutcome Command(const std::string& verb, const std::string& argument, FtpReply* reply);
    FtpOutcome SimpleCommand(const std::string& verb, const std::string& path);
    FtpOutcome Secure();
    FtpOutcome AskFeatures();
    FtpOutcome OpenData(const std::string& verb, const std::string& path, std::uint64_t offset = 0);
    FtpOutcome PassiveConnect(std::unique_ptr<NetStream>* stream);
    FtpOutcome ReceiveListing(std::string* text);
    FtpOutcome EndData(bool orderly);
    FtpOutcome DataFailed(NetStatus status);
    FtpOutcome LookupByList(const std::string& path, RemoteEntry* entry);

    Network& network_;
    Clock clock_;
    std::unique_ptr<NetStream> control_;
    std::unique_ptr<NetStream> data_;
    std::unique_ptr<NetListener> listener_;
    ReplyReader reader_;
    FtpReply lastReply_;
    FtpFeatures features_;
    bool featuresAnswered_ = false;
    bool passive_ = true;
    PassiveMode passiveMode_ = PassiveMode::kUnknown;
    Transfer transfer_ = Transfer::kNone;
};

}  // namespace velmor::ftp

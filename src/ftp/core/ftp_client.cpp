#include "ftp/core/ftp_client.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <utility>

#include "ftp/core/passive_reply.h"

namespace velmor::ftp {
namespace {

constexpr size_t kReceiveChunk = 4096;
// Replies 1xx a command may bring before its final reply (120 before a
// greeting, 110 restart markers).
constexpr int kMaxPreliminaryReplies = 8;
// A listing for one name; more is a server that does not stop.
constexpr size_t kMaxListingBytes = 1024 * 1024;

// A command line ends at CR LF: an argument holding either (or NUL) would
// let a name inject commands.
bool SafeArgument(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

FtpOutcome FromStatus(NetStatus status) {
    switch (status) {
        case NetStatus::kOk:
            return FtpOutcome::kOk;
        case NetStatus::kTimedOut:
            return FtpOutcome::kTimedOut;
        case NetStatus::kNameNotResolved:
            return FtpOutcome::kNameNotResolved;
        case NetStatus::kCertificate:
            return FtpOutcome::kCertificate;
        case NetStatus::kTlsRefused:
            return FtpOutcome::kTlsRefused;
        case NetStatus::kClosed:
        case NetStatus::kFailed:
            break;
    }
    return FtpOutcome::kClosed;
}

// The port from the first line of a reply that holds one.
std::optional<std::uint16_t> ReplyPort(const FtpReply& reply,
                                       std::optional<std::uint16_t> (*parse)(const std::string&)) {
    for (const std::string& line : reply.lines) {
        if (std::optional<std::uint16_t> port = parse(line)) return port;
    }
    return std::nullopt;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The lines of a listing, without their CR LF or LF.
std::vector<std::string> ListingLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
        if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
    }
    return lines;
}

}  // namespace

const char* OutcomeName(FtpOutcome outcome) {
    switch (outcome) {
        case FtpOutcome::kOk:
            return "ok";
        case FtpOutcome::kNameNotResolved:
            return "name not resolved";
        case FtpOutcome::kConnectFailed:
            return "connect failed";
        case FtpOutcome::kTlsRefused:
            return "TLS refused";
        case FtpOutcome::kCertificate:
            return "certificate";
        case FtpOutcome::kWrongUser:
            return "wrong user";
        case FtpOutcome::kWrongPassword:
            return "wrong password";
        case FtpOutcome::kLoginFailed:
            return "login failed";
        case FtpOutcome::kNotFound:
            return "not found";
        case FtpOutcome::kRefused:
            return "refused";
        case FtpOutcome::kTimedOut:
            return "timed out";
        case FtpOutcome::kProtocolError:
            return "protocol error";
        case FtpOutcome::kClosed:
            return "closed";
        case FtpOutcome::kNotConnected:
            return "not connected";
        case FtpOutcome::kBusy:
            return "busy";
        case FtpOutcome::kBadName:
            return "bad name";
        case FtpOutcome::kRestartRefused:
            return "restart refused";
    }
    return "?";
}

FtpClient::FtpClient(Network& network, Clock clock) : network_(network), clock_(std::move(clock)) {
    if (!clock_) {
        clock_ = [] {
            return static_cast<std::int64_t>(
                std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count());
        };
    }
}

FtpClient::~FtpClient() { Disconnect(); }

bool FtpClient::Connected() const { return control_ != nullptr; }

void FtpClient::Disconnect() {
    // Data first: its TLS session hangs on the control connection's.
    data_.reset();
    listener_.reset();
    control_.reset();
    reader_.Reset();
    transfer_ = Transfer::kNone;
}

FtpOutcome FtpClient::Fail(FtpOutcome outcome) {
    Disconnect();
    return outcome;
}

FtpOutcome FtpClient::FailStatus(NetStatus status) { return Fail(FromStatus(status)); }

FtpOutcome FtpClient::SendCommand(const std::string& verb, const std::string& argument) {
    if (!control_) return FtpOutcome::kNotConnected;
    if (!SafeArgument(argument)) return FtpOutcome::kBadName;
    std::string line = verb;
    if (!argument.empty()) line += ' ' + argument;
    line += "\r\n";
    const NetStatus status = control_->Send(line.data(), line.size());
    return status == NetStatus::kOk ? FtpOutcome::kOk : FailStatus(status);
}

FtpOutcome FtpClient::ReadReply(FtpReply* reply) {
    if (!control_) return FtpOutcome::kNotConnected;
    const std::int64_t start = clock_();
    for (;;) {
        switch (reader_.Next(reply)) {
            case ReplyReader::State::kReply:
                lastReply_ = *reply;
                // 421: the server is closing the control connection.
                if (reply->code == 421) return Fail(FtpOutcome::kClosed);
                return FtpOutcome::kOk;
            case ReplyReader::State::kGarbage:
            case ReplyReader::State::kTooLong:
                return Fail(FtpOutcome::kProtocolError);
            case ReplyReader::State::kNeedMore:
                break;
        }
        if (clock_() - start > kReplyTimeLimitMs) {
            return Fail(FtpOutcome::kTimedOut);
        }
        char buffer[kReceiveChunk];
        size_t received = 0;
        const NetStatus status = control_->Receive(buffer, sizeof buffer, &received);
        if (status != NetStatus::kOk) return FailStatus(status);
        reader_.Feed(buffer, received);
    }
}

FtpOutcome FtpClient::ReadFinalReply(FtpReply* reply) {
    for (int i = 0; i <= kMaxPreliminaryReplies; ++i) {
        const FtpOutcome outcome = ReadReply(reply);
        if (outcome != FtpOutcome::kOk || reply->Kind() != 1) return outcome;
    }
    return Fail(FtpOutcome::kProtocolError);
}

FtpOutcome FtpClient::Command(const std::string& verb, const std::string& argument,
                              FtpReply* reply) {
    const FtpOutcome sent = SendCommand(verb, argument);
    return sent == FtpOutcome::kOk ? ReadFinalReply(reply) : sent;
}

FtpOutcome FtpClient::SimpleCommand(const std::string& verb, const std::string& path) {
    if (!control_) return FtpOutcome::kNotConnected;
    if (TransferOpen()) return FtpOutcome::kBusy;
    FtpReply reply;
    const FtpOutcome outcome = Command(verb, path, &reply);
    if (outcome != FtpOutcome::kOk) return outcome;
    return reply.Kind() == 2 ? FtpOutcome::kOk : FtpOutcome::kRefused;
}

FtpOutcome FtpClient::Login(const std::string& host, std::uint16_t port, const std::string& user,
                            const std::string& password, bool passive) {
    const FtpOutcome opened = Open(host, port, passive);
    return opened == FtpOutcome::kOk ? LogIn(user, password) : opened;
}

FtpOutcome FtpClient::Open(const std::string& host, std::uint16_t port, bool passive) {
    Disconnect();
    features_ = FtpFeatures();
    featuresAnswered_ = false;
    lastReply_ = FtpReply();
    passive_ = passive;
    passiveMode_ = PassiveMode::kUnknown;

    NetStatus status = NetStatus::kFailed;
    control_ = network_.Connect(host, port, &status);
    if (!control_) {
        if (status == NetStatus::kNameNotResolved || status == NetStatus::kTimedOut) {
            return FromStatus(status);
        }
        return FtpOutcome::kConnectFailed;
    }
    FtpReply greeting;
    FtpOutcome outcome = ReadFinalReply(&greeting);
    if (outcome == FtpOutcome::kClosed) return FtpOutcome::kConnectFailed;
    if (outcome != FtpOutcome::kOk) return outcome;
    if (greeting.code != 220) return Fail(FtpOutcome::kConnectFailed);

    outcome = AskFeatures();
    if (outcome != FtpOutcome::kOk) return outcome;
    return Secure();
}

FtpOutcome FtpClient::AskFeatures() {
    FtpReply reply;
    const FtpOutcome outcome = Command("FEAT", std::string(), &reply);
    if (outcome != FtpOutcome::kOk) return outcome;
    if (reply.code == 211) {
        features_ = ParseFeatures(reply);
        featuresAnswered_ = true;
    }
    return FtpOutcome::kOk;
}

FtpOutcome FtpClient::Secure() {
    FtpReply reply;
    FtpOutcome outcome = Command("AUTH", "TLS", &reply);
    if (outcome != FtpOutcome::kOk) return outcome;
    if (reply.code != 234) return Fail(FtpOutcome::kTlsRefused);
    // Bytes after the 234 were sent in clear and would pass for protected
    // replies (command injection before the handshake).
    if (reader_.HasPending()) return Fail(FtpOutcome::kProtocolError);
    const NetStatus status = control_->StartTls();
    if (status != NetStatus::kOk) {
        if (status == NetStatus::kCertificate || status == NetStatus::kTimedOut) {
            return FailStatus(status);
        }
        return Fail(FtpOutcome::kTlsRefused);
    }
    // RFC 4217: PBSZ 0 before PROT; PROT P puts the data connections under
    // TLS as well.
    static const char* const kProtection[][2] = {{"PBSZ", "0"}, {"PROT", "P"}};
    for (const auto& command : kProtection) {
        outcome = Command(command[0], command[1], &reply);
        if (outcome != FtpOutcome::kOk) return outcome;
        if (reply.Kind() != 2) return Fail(FtpOutcome::kTlsRefused);
    }
    return FtpOutcome::kOk;
}

FtpOutcome FtpClient::LogIn(const std::string& user, const std::string& password) {
    if (!control_) return FtpOutcome::kNotConnected;
    if (!SafeArgument(user) || !SafeArgument(password)) {
        return Fail(FtpOutcome::kLoginFailed);
    }
    FtpReply reply;
    FtpOutcome outcome = Command("USER", user, &reply);
    if (outcome != FtpOutcome::kOk) return outcome;
    if (reply.code == 331) {
        outcome = Command("PASS", password, &reply);
        if (outcome != FtpOutcome::kOk) return outcome;
        if (reply.code == 530) return Fail(FtpOutcome::kWrongPassword);
        if (reply.code != 230 && reply.code != 202) {
            return Fail(FtpOutcome::kLoginFailed);
        }
    } else if (reply.code == 530) {
        return Fail(FtpOutcome::kWrongUser);
    } else if (reply.code != 230) {
        return Fail(FtpOutcome::kLoginFailed);
    }

    if (!featuresAnswered_) {
        outcome = AskFeatures();
        if (outcome != FtpOutcome::kOk) return outcome;
    }
    if (features_.utf8) {
        // A server that announces UTF8 takes UTF-8 names (RFC 2640); the answer
        // to OPTS changes nothing.
        outcome = Command("OPTS", "UTF8 ON", &reply);
        if (outcome != FtpOutcome::kOk) return outcome;
    }
    outcome = Command("TYPE", "I", &reply);
    if (outcome != FtpOutcome::kOk) return outcome;
    if (reply.Kind() != 2) return Fail(FtpOutcome::kRefused);
    return FtpOutcome::kOk;
}

FtpOutcome FtpClient::ChangeDirectory(const std::string& path) {
    return SimpleCommand("CWD", path);
}

FtpOutcome FtpClient::RemoveFile(const std::string& path) { return SimpleCommand("DELE", path); }

FtpOutcome FtpClient::MakeDirectory(const std::string& path) { return SimpleCommand("MKD", path); }

FtpOutcome FtpClient::RemoveFolder(const std::string& path) { return SimpleCommand("RMD", path); }

FtpOutcome FtpClient::Rename(const std::string& from, const std::string& to) {
    if (!control_) return FtpOutcome::kNotConnected;
    if (TransferOpen()) return FtpOutcome::kBusy;
    if (!SafeArgument(from) || !SafeArgument(to)) return FtpOutcome::kBadName;
    FtpReply reply;
    FtpOutcome outcome = Command("RNFR", from, &reply);
    if (outcome != FtpOutcome::kOk) return outcome;
    if (reply.Kind() != 3) return FtpOutcome::kRefused;
    outcome = Command("RNTO", to, &reply);
    if (outcome != FtpOutcome::kOk) return outcome;
    return reply.Kind() == 2 ? FtpOutcome::kOk : FtpOutcome::kRefused;
}

FtpOutcome FtpClient::PassiveConnect(std::unique_ptr<NetStream>* stream) {
    FtpReply reply;
    std::optional<std::uint16_t> port;
    if (passiveMode_ != PassiveMode::kClassic) {
        const FtpOutcome outcome = Command("EPSV", std::string(), &reply);
        if (outcome != FtpOutcome::kOk) return outcome;
        if (reply.code == 229) port = ReplyPort(reply, ParseExtendedPassivePort);
        if (port) {
            passiveMode_ = PassiveMode::kExtended;
        } else if (passiveMode_ == PassiveMode::kExtended && reply.Kind() == 4) {
            return FtpOutcome::kRefused;  // worked before: a passing refusal
        } else {
            passiveMode_ = PassiveMode::kClassic;
        }
    }
    if (!port) {
        const FtpOutcome outcome = Command("PASV", std::string(), &reply);
        if (outcome != FtpOutcome::kOk) return outcome;
        if (reply.code != 227) return FtpOutcome::kRefused;
        // Only the port: the host in the reply is never used.
        port = ReplyPort(reply, ParsePassivePort);
        if (!port) return FtpOutcome::kProtocolError;
    }
    NetStatus status = NetStatus::kFailed;
    *stream = network_.ConnectData(*port, &status);
    if (*stream) return FtpOutcome::kOk;
    return status == NetStatus::kTimedOut ? FtpOutcome::kTimedOut : FtpOutcome::kConnectFailed;
}

FtpOutcome FtpClient::OpenData(const std::string& verb, const std::string& path,
                               std::uint64_t offset) {
    if (!control_) return FtpOutcome::kNotConnected;
    if (TransferOpen()) return FtpOutcome::kBusy;
    if (!SafeArgument(path)) return FtpOutcome::kBadName;

    std::unique_ptr<NetStream> stream;
    std::unique_ptr<NetListener> listener;
    FtpReply reply;
    if (passive_) {
        const FtpOutcome outcome = PassiveConnect(&stream);
        if (outcome != FtpOutcome::kOk) return outcome;
    } else {
        NetStatus status = NetStatus::kFailed;
        listener = network_.Listen(&status);
        if (!listener) return FtpOutcome::kConnectFailed;
        const std::string port = std::to_string(listener->Port());
        std::string address = listener->AddressText();
        FtpOutcome outcome;
        if (listener->IsIpv6()) {
            outcome = Command("EPRT", "|2|" + address + "|" + port + "|", &reply);
        } else {
            for (char& c : address) {
                if (c == '.') c = ',';
            }
            const unsigned number = listener->Port();
            outcome = Command(
                "PORT",
                address + "," + std::to_string(number >> 8) + "," + std::to_string(number & 0xFF),
                &reply);
        }
        if (outcome != FtpOutcome::kOk) return outcome;
        if (reply.Kind() != 2) return FtpOutcome::kRefused;
    }

    // REST last before the transfer command (RFC 3659); refused, the data
    // connection is dropped unused.
    if (offset != 0) {
        const FtpOutcome outcome = Command("REST", std::to_string(offset), &reply);
        if (outcome != FtpOutcome::kOk) return outcome;
        if (reply.code != 350) return FtpOutcome::kRestartRefused;
    }
    FtpOutcome outcome = SendCommand(verb, path);
    if (outcome == FtpOutcome::kOk) outcome = ReadReply(&reply);
    if (outcome != FtpOutcome::kOk) return outcome;
    if (reply.Kind() != 1) {
        // Refused (or a final reply without a transfer): the data connection
        // carries nothing.
        return reply.Kind() == 2 ? FtpOutcome::kProtocolError : FtpOutcome::kRefused;
    }
    if (listener) {
        NetStatus status = NetStatus::kFailed;
        stream = listener->Accept(&status);
        // The server's side of the transfer is in a state we cannot tell.
        if (!stream) return FailStatus(status);
    }
    data_ = std::move(stream);
    listener_ = std::move(listener);
    transfer_ = verb == "STOR" ? Transfer::kStore : Transfer::kRetrieve;
    const NetStatus status = data_->StartTls();
    if (status == NetStatus::kOk) return FtpOutcome::kOk;
    if (status == NetStatus::kTimedOut) return FailStatus(status);
    outcome = AbortTransfer();
    return outcome == FtpOutcome::kOk ? FtpOutcome::kTlsRefused : outcome;
}

FtpOutcome FtpClient::EndData(bool orderly) {
    if (data_ && orderly) data_->Close();
    data_.reset();
    listener_.reset();
    transfer_ = Transfer::kNone;
    FtpReply reply;
    const FtpOutcome outcome = ReadFinalReply(&reply);
    if (outcome != FtpOutcome::kOk) return outcome;
    return reply.Kind() == 2 ? FtpOutcome::kOk : FtpOutcome::kRefused;
}

FtpOutcome FtpClient::AbortTransfer() {
    if (!TransferOpen()) return FtpOutcome::kOk;
    // Dropping the data connection without its orderly end tells the server
    // the transfer broke off; its one reply to the transfer (426, 451, or 226
    // when everything had already gone out) keeps the control connection in
    // step. No ABOR: its urgent-data signal cannot pass through TLS, and
    // servers answer it in differing numbers of replies.
    const FtpOutcome outcome = EndData(false);
    return outcome == FtpOutcome::kRefused ? FtpOutcome::kOk : outcome;
}

FtpOutcome FtpClient::FinishTransfer() {
    switch (transfer_) {
        case Transfer::kNone:
            return FtpOutcome::kOk;
        case Transfer::kStore:
            return EndData(true);
        case Transfer::kRetrieve:
            break;
    }
    const FtpOutcome outcome = AbortTransfer();
    return outcome == FtpOutcome::kOk ? FtpOutcome::kRefused : outcome;
}

FtpOutcome FtpClient::OpenRetrieve(const std::string& path, std::uint64_t offset) {
    return OpenData("RETR", path, offset);
}

FtpOutcome FtpClient::OpenStore(const std::string& path, std::uint64_t offset) {
    return OpenData("STOR", path, offset);
}

FtpOutcome FtpClient::ModifiedTime(const std::string& path, std::string* utc) {
    utc->clear();
    if (!control_) return FtpOutcome::kNotConnected;
    if (TransferOpen()) return FtpOutcome::kBusy;
    FtpReply reply;
    const FtpOutcome outcome = Command("MDTM", path, &reply);
    if (outcome != FtpOutcome::kOk) return outcome;
    if (reply.code == 550) return FtpOutcome::kNotFound;
    if (reply.code != 213) return FtpOutcome::kRefused;
    *utc = ModifyTime(reply.FirstText());
    return utc->empty() ? FtpOutcome::kProtocolError : FtpOutcome::kOk;
}

FtpOutcome FtpClient::SetModifiedTime(const std::string& path, const std::string& utc) {
    const std::string fact = ModifyFact(utc);
    if (!features_.mfmt || fact.empty()) return FtpOutcome::kRefused;
    return SimpleCommand("MFMT", fact + " " + path);
}

// A data connection that fails: a stalled server ends the session, a broken
// connection only the transfer.
FtpOutcome FtpClient::DataFailed(NetStatus status) {
    if (status == NetStatus::kTimedOut) return FailStatus(status);
    const FtpOutcome outcome = AbortTransfer();
    return outcome == FtpOutcome::kOk ? FtpOutcome::kClosed : outcome;
}

FtpOutcome FtpClient::Read(void* buffer, size_t capacity, size_t* received) {
    *received = 0;
    if (!control_) return FtpOutcome::kNotConnected;
    if (transfer_ != Transfer::kRetrieve || capacity == 0) {
        return FtpOutcome::kRefused;
    }
    const NetStatus status = data_->Receive(buffer, capacity, received);
    if (status == NetStatus::kOk) return FtpOutcome::kOk;
    *received = 0;
    if (status == NetStatus::kClosed) return EndData(true);
    return DataFailed(status);
}

FtpOutcome FtpClient::Write(const void* data, size_t size) {
    if (!control_) return FtpOutcome::kNotConnected;
    if (transfer_ != Transfer::kStore) return FtpOutcome::kRefused;
    if (size == 0) return FtpOutcome::kOk;
    const NetStatus status = data_->Send(data, size);
    return status == NetStatus::kOk ? FtpOutcome::kOk : DataFailed(status);
}

FtpOutcome FtpClient::ReceiveListing(std::string* text) {
    char buffer[kReceiveChunk];
    for (;;) {
        size_t received = 0;
        const NetStatus status = data_->Receive(buffer, sizeof buffer, &received);
        if (status == NetStatus::kClosed) return EndData(true);
        if (status != NetStatus::kOk) return DataFailed(status);
        if (text->size() + received > kMaxListingBytes) {
            const FtpOutcome outcome = AbortTransfer();
            return outcome == FtpOutcome::kOk ? FtpOutcome::kProtocolError : outcome;
        }
        text->append(buffer, received);
    }
}

FtpOutcome FtpClient::List(const std::string& path, std::vector<RemoteEntry>* entries) {
    entries->clear();
    const bool machine = features_.mlst;
    FtpOutcome outcome = OpenData(machine ? "MLSD" : "LIST", path);
    if (outcome != FtpOutcome::kOk) return outcome;
    std::string text;
    outcome = ReceiveListing(&text);
    if (outcome != FtpOutcome::kOk) return outcome;
    for (const std::string& line : ListingLines(text)) {
        std::optional<RemoteEntry> entry = machine ? ParseMlstEntry(line) : ParseListLine(line);
        if (!entry || entry->isCurrentOrParent) continue;
        const std::string name = BaseName(entry->name);
        if (name.empty() || name == "." || name == "..") continue;
        entry->name = name;
        entries->push_back(std::move(*entry));
    }
    return FtpOutcome::kOk;
}

FtpOutcome FtpClient::Lookup(const std::string& path, RemoteEntry* entry) {
    *entry = RemoteEntry();
    if (!control_) return FtpOutcome::kNotConnected;
    if (TransferOpen()) return FtpOutcome::kBusy;
    if (!SafeArgument(path)) return FtpOutcome::kBadName;
    FtpReply reply;
    if (features_.mlst) {
        const FtpOutcome outcome = Command("MLST", path, &reply);
        if (outcome != FtpOutcome::kOk) return outcome;
        if (reply.code == 550) return FtpOutcome::kNotFound;
        if (reply.Kind() == 4) return FtpOutcome::kRefused;
        // The entry line sits between the first and the last line.
        for (size_t i = 1; reply.Kind() == 2 && i + 1 < reply.lines.size(); ++i) {
            std::optional<RemoteEntry> found = ParseMlstEntry(reply.lines[i]);
            if (!found) continue;
            *entry = std::move(*found);
            if (entry->sizeKnown || entry->isDirectory || !features_.size) {
                return FtpOutcome::kOk;
            }
            break;
        }
        // Not understood, or a file without its size: SIZE, then LIST.
    }
    FtpOutcome outcome = Command("SIZE", path, &reply);
    if (outcome != FtpOutcome::kOk) return outcome;
    std::string text = reply.FirstText();
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::uint64_t size = 0;
    bool digits = reply.code == 213 && !text.empty();
    for (char c : text) {
        if (c < '0' || c > '9' || size > (UINT64_MAX - 9) / 10) {
            digits = false;
            break;
        }
        size = size * 10 + static_cast<unsigned>(c - '0');
    }
    if (digits) {
        entry->name = path;
        entry->isDirectory = false;
        entry->sizeKnown = true;
        entry->size = size;
        return FtpOutcome::kOk;
    }
    if (entry->name.empty()) return LookupByList(path, entry);
    return FtpOutcome::kOk;  // the MLST entry without its size
}

FtpOutcome FtpClient::LookupByList(const std::string& path, RemoteEntry* entry) {
    FtpOutcome outcome = OpenData("LIST", path);
    if (outcome == FtpOutcome::kRefused && lastReply_.Kind() >= 4) {
        // 450/550: no such file.
        return lastReply_.code == 450 || lastReply_.code == 550 ? FtpOutcome::kNotFound : outcome;
    }
    if (outcome != FtpOutcome::kOk) return outcome;
    std::string text;
    outcome = ReceiveListing(&text);
    if (outcome != FtpOutcome::kOk) return outcome;

    const std::string base = BaseName(path);
    bool listed = false;
    for (const std::string& line : ListingLines(text)) {
        if (line.empty()) continue;
        listed = true;
        std::optional<RemoteEntry> found = ParseListLine(line);
        if (found && (found->name == path || BaseName(found->name) == base)) {
            *entry = std::move(*found);
            return FtpOutcome::kOk;
        }
    }
    if (!listed) return FtpOutcome::kNotFound;
    // Entries, none of them the name itself: the contents of a directory.
    entry->name = path;
    entry->isDirectory = true;
    return FtpOutcome::kOk;
}

FtpOutcome FtpClient::Quit() {
    if (!control_) return FtpOutcome::kNotConnected;
    AbortTransfer();
    FtpReply reply;
    FtpOutcome outcome = Command("QUIT", std::string(), &reply);
    if (control_) control_->Close();
    Disconnect();
    return outcome;
}

}  // namespace velmor::ftp

#include "ftp/tls_session.h"

#include "ftp/ftp_error_mapping.h"
#include "ftp/text_encoding.h"

namespace velmor::ftp {

// One open transfer of the client; the session outlives it.
class TlsSession::File final : public RemoteFile {
public:
    explicit File(FtpClient& client) : client_(client) {}
    ~File() override {
        if (client_.TransferOpen()) client_.AbortTransfer();
    }

    RemoteOutcome Read(void* buffer, size_t size, size_t* read) override {
        *read = 0;
        char* next = static_cast<char*>(buffer);
        // Reads to the end of the data only: a transfer that ended otherwise
        // (its connection closed meanwhile) fails.
        while (*read < size && !complete_) {
            size_t received = 0;
            const FtpOutcome outcome = client_.Read(next, size - *read, &received);
            if (outcome != FtpOutcome::kOk) return OutcomeForFtp(outcome);
            if (received == 0) {
                complete_ = true;  // the whole file has come
                break;
            }
            next += received;
            *read += received;
        }
        return RemoteOutcome::kOk;
    }
    RemoteOutcome Write(const void* data, size_t size) override {
        return OutcomeForFtp(client_.Write(data, size));
    }
    // A store that ends here is complete; a retrieve that has not reached its
    // end was cancelled.
    RemoteOutcome Finish() override {
        const FtpOutcome outcome = client_.FinishTransfer();
        if (outcome == FtpOutcome::kOk) return RemoteOutcome::kOk;
        if (client_.TransferOpen()) client_.AbortTransfer();
        return OutcomeForFtp(outcome);
    }

private:
    FtpClient& client_;
    bool complete_ = false;
};

TlsSession::TlsSession(std::unique_ptr<Network> network)
    : network_(std::move(network)), client_(*network_) {}

TlsSession::~TlsSession() { Close(); }

void TlsSession::Close() {
    if (client_.TransferOpen()) client_.AbortTransfer();
    if (client_.Connected()) client_.Quit();
    client_.Disconnect();
}

UINT TlsSession::NameCodePage() const { return client_.NamesAreUtf8() ? CP_UTF8 : CP_ACP; }

std::string TlsSession::Encode(const std::wstring& text) const {
    return EncodeText(NameCodePage(), text);
}

RemoteOutcome TlsSession::Connect(const std::wstring& host, std::uint16_t port, bool passive,
                                  const std::wstring& user, const std::wstring& password) {
    FtpOutcome outcome = client_.Open(EncodeText(CP_UTF8, host), port, passive);
    // The credentials travel in the encoding the server's features chose.
    if (outcome == FtpOutcome::kOk) outcome = client_.LogIn(Encode(user), Encode(password));
    if (outcome != FtpOutcome::kOk) client_.Disconnect();
    return OutcomeForFtp(outcome);
}

RemoteOutcome TlsSession::ChangeDirectory(const std::wstring& path) {
    return OutcomeForFtp(client_.ChangeDirectory(Encode(path)));
}

RemoteOutcome TlsSession::RemoveFile(const std::wstring& path) {
    return OutcomeForFtp(client_.RemoveFile(Encode(path)));
}

RemoteOutcome TlsSession::MakeDirectory(const std::wstring& path) {
    return OutcomeForFtp(client_.MakeDirectory(Encode(path)));
}

RemoteOutcome TlsSession::RemoveFolder(const std::wstring& path) {
    return OutcomeForFtp(client_.RemoveFolder(Encode(path)));
}

RemoteOutcome TlsSession::Rename(const std::wstring& from, const std::wstring& to) {
    return OutcomeForFtp(client_.Rename(Encode(from), Encode(to)));
}

RemoteListEntry TlsSession::Describe(const RemoteEntry& found) const {
    RemoteListEntry entry;
    entry.name = DecodeText(NameCodePage(), found.name);
    entry.type = found.isLink        ? EntryType::kLink
                 : found.isDirectory ? EntryType::kDirectory
                                     : EntryType::kFile;
    entry.sizeKnown = found.sizeKnown && !found.isDirectory;
    entry.size = found.sizeKnown ? found.size : 0;
    entry.modified = found.modified;
    return entry;
}

RemoteOutcome TlsSession::Lookup(const std::wstring& path, bool, RemoteListEntry* entry) {
    RemoteEntry found;
    const FtpOutcome outcome = client_.Lookup(Encode(path), &found);
    if (outcome != FtpOutcome::kOk) return OutcomeForFtp(outcome);
    *entry = Describe(found);
    return RemoteOutcome::kOk;
}

RemoteOutcome TlsSession::List(const std::wstring& path, std::vector<RemoteListEntry>* entries) {
    entries->clear();
    std::vector<RemoteEntry> found;
    const FtpOutcome outcome = client_.List(Encode(path), &found);
    if (outcome != FtpOutcome::kOk) return OutcomeForFtp(outcome);
    for (const RemoteEntry& entry : found) entries->push_back(Describe(entry));
    return RemoteOutcome::kOk;
}

RemoteOutcome TlsSession::OpenRead(const std::wstring& path, std::unique_ptr<RemoteFile>* file) {
    return OpenReadAt(path, 0, file);
}

RemoteOutcome TlsSession::OpenWrite(const std::wstring& path, std::unique_ptr<RemoteFile>* file) {
    return OpenWriteAt(path, 0, file);
}

RemoteOutcome TlsSession::OpenReadAt(const std::wstring& path, std::uint64_t offset,
                                     std::unique_ptr<RemoteFile>* file) {
    const FtpOutcome outcome = client_.OpenRetrieve(Encode(path), offset);
    if (outcome != FtpOutcome::kOk) return OutcomeForFtp(outcome);
    *file = std::make_unique<File>(client_);
    return RemoteOutcome::kOk;
}

RemoteOutcome TlsSession::OpenWriteAt(const std::wstring& path, std::uint64_t offset,
                                      std::unique_ptr<RemoteFile>* file) {
    const FtpOutcome outcome = client_.OpenStore(Encode(path), offset);
    if (outcome != FtpOutcome::kOk) return OutcomeForFtp(outcome);
    *file = std::make_unique<File>(client_);
    return RemoteOutcome::kOk;
}

RemoteOutcome TlsSession::ModifiedTime(const std::wstring& path, std::string* utc) {
    return OutcomeForFtp(client_.ModifiedTime(Encode(path), utc));
}

RemoteOutcome TlsSession::SetModifiedTime(const std::wstring& path, const std::string& utc) {
    return OutcomeForFtp(client_.SetModifiedTime(Encode(path), utc));
}

}  // namespace velmor::ftp

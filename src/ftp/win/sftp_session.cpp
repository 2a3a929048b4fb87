#include "ftp/win/sftp_session.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "ftp/text_encoding.h"
#include "ftp/win/socket_io.h"

namespace velmor::ftp {
namespace {

// Bytes asked of the server per SFTP read or write: libssh2 splits them into
// requests that travel together, which the engine's 4 KiB chunks alone
// would not fill.
constexpr size_t kSftpBlock = 256 * 1024;
// A download's first request is smaller, and each next one twice as large up
// to kSftpBlock: a connection that breaks early still leaves the bytes that
// came (libssh2 hands out none of a request it could not complete).
constexpr size_t kFirstSftpReadBlock = 32 * 1024;

std::string Utf8(const std::wstring& text) { return EncodeText(CP_UTF8, text); }

// "YYYY-MM-DD HH:MM:SS" of a time in seconds since 1970, UTC.
std::string UtcText(unsigned long seconds) {
    const __time64_t time = static_cast<__time64_t>(seconds);
    struct tm parts {};
    if (_gmtime64_s(&parts, &time) != 0) return std::string();
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

// The reverse: seconds since 1970 of a "YYYY-MM-DD HH:MM:SS" UTC text; -1
// when malformed.
__time64_t UtcSeconds(const std::string& text) {
    struct tm parts {};
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec) != 6) {
        return -1;
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return _mkgmtime64(&parts);
}

RemoteListEntry Describe(const std::string& name, const LIBSSH2_SFTP_ATTRIBUTES& attributes) {
    RemoteListEntry entry;
    entry.name = DecodeText(CP_UTF8, name);
    if (attributes.flags & LIBSSH2_SFTP_ATTR_PERMISSIONS) {
        if (LIBSSH2_SFTP_S_ISDIR(attributes.permissions)) entry.type = EntryType::kDirectory;
        if (LIBSSH2_SFTP_S_ISLNK(attributes.permissions)) entry.type = EntryType::kLink;
    }
    if ((attributes.flags & LIBSSH2_SFTP_ATTR_SIZE) && entry.type != EntryType::kDirectory) {
        entry.sizeKnown = true;
        entry.size = attributes.filesize;
    }
    if (attributes.flags & LIBSSH2_SFTP_ATTR_ACMODTIME) entry.modified = UtcText(attributes.mtime);
    return entry;
}

// Reads and writes through a block of its own, so that the server sees
// large requests whatever the caller's chunk.
class SftpFile final : public RemoteFile {
public:
    explicit SftpFile(LIBSSH2_SFTP_HANDLE* handle) : handle_(handle) {}

    RemoteOutcome Read(void* buffer, size_t size, size_t* read) override {
        *read = 0;
        if (broken_) return RemoteOutcome::kFailed;
        char* next = static_cast<char*>(buffer);
        while (*read < size) {
            if (begin_ == block_.size()) {
                if (ended_) break;
                block_.resize(readBlock_);
                readBlock_ = std::min(readBlock_ * 2, kSftpBlock);
                begin_ = 0;
                const ssize_t got = libssh2_sftp_read(handle_.get(), block_.data(), block_.size());
                if (got < 0) {
                    block_.clear();
                    // The bytes that came before the failure are handed out
                    // first: a resumed download continues after them.
                    broken_ = *read != 0;
                    return broken_ ? RemoteOutcome::kOk : RemoteOutcome::kFailed;
                }
                block_.resize(static_cast<size_t>(got));
                if (got == 0) ended_ = true;
                continue;
            }
            const size_t take = std::min(size - *read, block_.size() - begin_);
            std::memcpy(next, block_.data() + begin_, take);
            begin_ += take;
            next += take;
            *read += take;
        }
        return RemoteOutcome::kOk;
    }

    RemoteOutcome Write(const void* data, size_t size) override {
        const char* bytes = static_cast<const char*>(data);
        block_.insert(block_.end(), bytes, bytes + size);
        return block_.size() >= kSftpBlock ? Flush() : RemoteOutcome::kOk;
    }

    RemoteOutcome Finish() override {
        const RemoteOutcome flushed = Flush();
        const int closed = libssh2_sftp_close_handle(handle_.release());
        return flushed == RemoteOutcome::kOk && closed == 0 ? RemoteOutcome::kOk
                                                            : RemoteOutcome::kFailed;
    }

private:
    RemoteOutcome Flush() {
        size_t done = 0;
        while (done < block_.size()) {
            const ssize_t sent =
                libssh2_sftp_write(handle_.get(), block_.data() + done, block_.size() - done);
            if (sent <= 0) return RemoteOutcome::kFailed;
            done += static_cast<size_t>(sent);
        }
        block_.clear();
        return RemoteOutcome::kOk;
    }

    ScopedSftpHandle handle_;
    std::vector<char> block_;
    size_t begin_ = 0;
    size_t readBlock_ = kFirstSftpReadBlock;
    bool ended_ = false;
    bool broken_ = false;  // a read failed after bytes this file handed out
};

}  // namespace

std::wstring OpenSshFingerprint(const unsigned char* digest, size_t size) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::wstring text = L"SHA256:";
    for (size_t i = 0; i < size; i += 3) {
        const unsigned group = (digest[i] << 16) | (i + 1 < size ? digest[i + 1] << 8 : 0) |
                               (i + 2 < size ? digest[i + 2] : 0);
        const size_t chars = std::min<size_t>(4, (size - i) * 8 / 6 + 1);
        for (size_t c = 0; c < chars; ++c) text += kAlphabet[(group >> (18 - 6 * c)) & 63];
    }
    return text;
}

RemoteOutcome SftpSession::Connect(const ConnectRequest& request, std::wstring* fingerprint) {
    const ServerAddress& address = request.address;
    if (!winsock_.started()) return RemoteOutcome::kFailed;
    switch (ConnectToHost(address.host, address.port, timeoutMs_, socket_)) {
        case NetStatus::kOk:
            break;
        case NetStatus::kNameNotResolved:
            return RemoteOutcome::kNameNotResolved;
        default:
            return RemoteOutcome::kFailed;
    }
    // libcrypto reads no configuration file: none is the library's, and one
    // named by the machine (OPENSSL_CONF) must not change what it offers.
    static const int initialized =
        OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr) == 1 ? libssh2_init(0) : -1;
    if (initialized != 0) return RemoteOutcome::kFailed;
    session_.reset(libssh2_session_init());
    if (!session_) return RemoteOutcome::kFailed;
    // Blocking calls, each wait bounded.
    libssh2_session_set_blocking(session_.get(), 1);
    libssh2_session_set_timeout(session_.get(), static_cast<long>(timeoutMs_));
    if (libssh2_session_handshake(session_.get(), socket_.get()) != 0) {
        return RemoteOutcome::kFailed;
    }
    const char* digest = libssh2_hostkey_hash(session_.get(), LIBSSH2_HOSTKEY_HASH_SHA256);
    if (digest == nullptr) return RemoteOutcome::kHostKeyRejected;
    *fingerprint = OpenSshFingerprint(reinterpret_cast<const unsigned char*>(digest), 32);
    // No trust on first use: a key is accepted only when it is the pinned one.
    if (address.hostKeyPin.empty() || address.hostKeyPin != *fingerprint) {
        return RemoteOutcome::kHostKeyRejected;
    }
    const RemoteOutcome login = LogIn(request);
    if (login != RemoteOutcome::kOk) return login;
    sftp_.reset(libssh2_sftp_init(session_.get()));
    if (!sftp_) return RemoteOutcome::kFailed;
    char home[1024];
    const int length = libssh2_sftp_realpath(sftp_.get(), ".", home, sizeof home - 1);
    if (length <= 0) return RemoteOutcome::kFailed;
    current_.assign(home, static_cast<size_t>(length));
    return RemoteOutcome::kOk;
}

RemoteOutcome SftpSession::LogIn(const ConnectRequest& request) {
    const std::string user = Utf8(request.user);
    int result;
    if (!request.privateKey.empty()) {
        const std::string passphrase = Utf8(request.keyPassphrase);
        // The public key is derived from the private one.
        result = libssh2_userauth_publickey_frommemory(
            session_.get(), user.data(), user.size(), nullptr, 0, request.privateKey.data(),
            request.privateKey.size(), passphrase.c_str());
    } else {
        const std::string password = Utf8(request.password);
        result = libssh2_userauth_password_ex(session_.get(), user.data(),
                                              static_cast<unsigned>(user.size()), password.data(),
                                              static_cast<unsigned>(password.size()), nullptr);
    }
    if (result == 0) return RemoteOutcome::kOk;
    switch (result) {
        case LIBSSH2_ERROR_AUTHENTICATION_FAILED:
        case LIBSSH2_ERROR_PUBLICKEY_UNVERIFIED:
        case LIBSSH2_ERROR_FILE:
        case LIBSSH2_ERROR_KEYFILE_AUTH_FAILED:  // a wrong passphrase of a PEM or PKCS#8 key
        case LIBSSH2_ERROR_METHOD_NOT_SUPPORTED:
            return RemoteOutcome::kWrongPassword;
        default:
            return RemoteOutcome::kFailed;
    }
}

std::string SftpSession::Resolve(const std::wstring& path) const {
    const std::string name = Utf8(path);
    if (!name.empty() && name[0] == '/') return name;
    if (name.empty()) return current_;
    return current_ == "/" ? "/" + name : current_ + "/" + name;
}

RemoteOutcome SftpSession::Failure() const {
    return libssh2_session_last_errno(session_.get()) == LIBSSH2_ERROR_SFTP_PROTOCOL &&
                   libssh2_sftp_last_error(sftp_.get()) == LIBSSH2_FX_NO_SUCH_FILE
               ? RemoteOutcome::kNotFound
               : RemoteOutcome::kFailed;
}

void SftpSession::Close() {
    if (socket_) shutdown(socket_.get(), SD_BOTH);
}

RemoteOutcome SftpSession::ChangeDirectory(const std::wstring& path) {
    const std::string target = Resolve(path);
    char resolved[1024];
    const int length =
        libssh2_sftp_realpath(sftp_.get(), target.c_str(), resolved, sizeof resolved - 1);
    if (length <= 0) return RemoteOutcome::kFailed;
    LIBSSH2_SFTP_ATTRIBUTES attributes{};
    const std::string absolute(resolved, static_cast<size_t>(length));
    if (libssh2_sftp_stat(sftp_.get(), absolute.c_str(), &attributes) != 0 ||
        !(attributes.flags & LIBSSH2_SFTP_ATTR_PERMISSIONS) ||
        !LIBSSH2_SFTP_S_ISDIR(attributes.permissions)) {
        return RemoteOutcome::kFailed;
    }
    current_ = absolute;
    return RemoteOutcome::kOk;
}

RemoteOutcome SftpSession::RemoveFile(const std::wstring& path) {
    return libssh2_sftp_unlink(sftp_.get(), Resolve(path).c_str()) == 0 ? RemoteOutcome::kOk
                                                                        : RemoteOutcome::kFailed;
}

RemoteOutcome SftpSession::MakeDirectory(const std::wstring& path) {
    const int result =
        libssh2_sftp_mkdir(sftp_.get(), Resolve(path).c_str(),
                           LIBSSH2_SFTP_S_IRWXU | LIBSSH2_SFTP_S_IRGRP | LIBSSH2_SFTP_S_IXGRP |
                               LIBSSH2_SFTP_S_IROTH | LIBSSH2_SFTP_S_IXOTH);
    return result == 0 ? RemoteOutcome::kOk : RemoteOutcome::kFailed;
}

RemoteOutcome SftpSession::RemoveFolder(const std::wstring& path) {
    return libssh2_sftp_rmdir(sftp_.get(), Resolve(path).c_str()) == 0 ? RemoteOutcome::kOk
                                                                       : RemoteOutcome::kFailed;
}

RemoteOutcome SftpSession::Rename(const std::wstring& from, const std::wstring& to) {
    const std::string source = Resolve(from);
    const std::string target = Resolve(to);
    const int result = libssh2_sftp_rename_ex(
        sftp_.get(), source.data(), static_cast<unsigned>(source.size()), target.data(),
        static_cast<unsigned>(target.size()),
        LIBSSH2_SFTP_RENAME_OVERWRITE | LIBSSH2_SFTP_RENAME_ATOMIC | LIBSSH2_SFTP_RENAME_NATIVE);
    return result == 0 ? RemoteOutcome::kOk : RemoteOutcome::kFailed;
}

RemoteOutcome SftpSession::Lookup(const std::wstring& path, bool, RemoteListEntry* entry) {
    const std::string target = Resolve(path);
    LIBSSH2_SFTP_ATTRIBUTES attributes{};
    if (libssh2_sftp_stat(sftp_.get(), target.c_str(), &attributes) != 0) return Failure();
    *entry = Describe(target.substr(target.find_last_of('/') + 1), attributes);
    return RemoteOutcome::kOk;
}

RemoteOutcome SftpSession::List(const std::wstring& path, std::vector<RemoteListEntry>* entries) {
    entries->clear();
    ScopedSftpHandle folder(libssh2_sftp_opendir(sftp_.get(), Resolve(path).c_str()));
    if (!folder) return RemoteOutcome::kFailed;
    std::vector<char> name(4096);
    for (;;) {
        LIBSSH2_SFTP_ATTRIBUTES attributes{};
        const int length =
            libssh2_sftp_readdir(folder.get(), name.data(), name.size() - 1, &attributes);
        if (length == 0) return RemoteOutcome::kOk;
        if (length < 0) return RemoteOutcome::kFailed;
        const std::string text(name.data(), static_cast<size_t>(length));
        if (text == "." || text == "..") continue;
        entries->push_back(Describe(text, attributes));
    }
}

RemoteOutcome SftpSession::Open(const std::wstring& path, unsigned long flags, std::uint64_t offset,
                                std::unique_ptr<RemoteFile>* file) {
    LIBSSH2_SFTP_HANDLE* handle = libssh2_sftp_open(
        sftp_.get(), Resolve(path).c_str(), flags,
        LIBSSH2_SFTP_S_IRUSR | LIBSSH2_SFTP_S_IWUSR | LIBSSH2_SFTP_S_IRGRP | LIBSSH2_SFTP_S_IROTH);
    if (handle == nullptr) return Failure();
    // Every read and write names its offset: the position set here is where
    // the first one goes.
    libssh2_sftp_seek64(handle, offset);
    *file = std::make_unique<SftpFile>(handle);
    return RemoteOutcome::kOk;
}

RemoteOutcome SftpSession::OpenRead(const std::wstring& path, std::unique_ptr<RemoteFile>* file) {
    return Open(path, LIBSSH2_FXF_READ, 0, file);
}

RemoteOutcome SftpSession::OpenWrite(const std::wstring& path, std::unique_ptr<RemoteFile>* file) {
    return Open(path, LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT | LIBSSH2_FXF_TRUNC, 0, file);
}

RemoteOutcome SftpSession::OpenReadAt(const std::wstring& path, std::uint64_t offset,
                                      std::unique_ptr<RemoteFile>* file) {
    return Open(path, LIBSSH2_FXF_READ, offset, file);
}

// Without the append flag: the write goes to the offset, whatever the file
// holds after it.
RemoteOutcome SftpSession::OpenWriteAt(const std::wstring& path, std::uint64_t offset,
                                       std::unique_ptr<RemoteFile>* file) {
    return Open(path, LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT, offset, file);
}

RemoteOutcome SftpSession::ModifiedTime(const std::wstring& path, std::string* utc) {
    RemoteListEntry entry;
    const RemoteOutcome found = Lookup(path, false, &entry);
    *utc = entry.modified;
    if (found != RemoteOutcome::kOk) return found;
    return utc->empty() ? RemoteOutcome::kFailed : RemoteOutcome::kOk;
}

RemoteOutcome SftpSession::SetModifiedTime(const std::wstring& path, const std::string& utc) {
    const __time64_t seconds = UtcSeconds(utc);
    if (seconds < 0) return RemoteOutcome::kFailed;
    LIBSSH2_SFTP_ATTRIBUTES attributes{};
    attributes.flags = LIBSSH2_SFTP_ATTR_ACMODTIME;
    attributes.atime = attributes.mtime = static_cast<unsigned long>(seconds);
    return libssh2_sftp_setstat(sftp_.get(), Resolve(path).c_str(), &attributes) == 0
               ? RemoteOutcome::kOk
               : RemoteOutcome::kFailed;
}

}  // namespace velmor::ftp

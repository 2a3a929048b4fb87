// A RemoteSession over SFTP: libssh2 (over OpenSSL's libcrypto) on one
// Winsock connection. The server's host key must match the pin; names travel
// as UTF-8; SFTP has no current folder, so the session keeps one itself and
// resolves relative paths against it.
#pragma once

#include <winsock2.h>

#include <libssh2.h>
#include <libssh2_sftp.h>

#include <memory>
#include <string>

#include "base/unique_resource.h"
#include "base/win/handle_traits.h"
#include "ftp/remote_connector.h"
#include "ftp/remote_session.h"
#include "ftp/win/winsock_startup.h"

namespace velmor::ftp {

struct SshSessionTraits {
    using type = LIBSSH2_SESSION*;
    static type invalid() noexcept { return nullptr; }
    static void close(type session) noexcept {
        libssh2_session_disconnect(session, "");
        libssh2_session_free(session);
    }
};

struct SftpTraits {
    using type = LIBSSH2_SFTP*;
    static type invalid() noexcept { return nullptr; }
    static void close(type sftp) noexcept { libssh2_sftp_shutdown(sftp); }
};

struct SftpHandleTraits {
    using type = LIBSSH2_SFTP_HANDLE*;
    static type invalid() noexcept { return nullptr; }
    static void close(type handle) noexcept { libssh2_sftp_close_handle(handle); }
};

using ScopedSshSession = UniqueResource<SshSessionTraits>;
using ScopedSftp = UniqueResource<SftpTraits>;
using ScopedSftpHandle = UniqueResource<SftpHandleTraits>;

// OpenSSH's form of a host key's SHA-256 digest: "SHA256:" and unpadded base64.
std::wstring OpenSshFingerprint(const unsigned char* digest, size_t size);

class SftpSession final : public RemoteSession {
public:
    explicit SftpSession(DWORD timeoutMs) : timeoutMs_(timeoutMs) {}

    // Connects, checks the host key against the pin (the fingerprint the
    // server showed goes to *fingerprint), logs in and starts SFTP.
    RemoteOutcome Connect(const ConnectRequest& request, std::wstring* fingerprint);

    // Shuts the connection down: libssh2's later calls (an open file's too)
    // fail at once; its objects are freed with the session.
    void Close() override;
    RemoteOutcome ChangeDirectory(const std::wstring& path) override;
    RemoteOutcome RemoveFile(const std::wstring& path) override;
    RemoteOutcome MakeDirectory(const std::wstring& path) override;
    RemoteOutcome RemoveFolder(const std::wstring& path) override;
    RemoteOutcome Rename(const std::wstring& from, const std::wstring& to) override;
    RemoteOutcome Lookup(const std::wstring& path, bool forDownload,
                         RemoteListEntry* entry) override;
    RemoteOutcome List(const std::wstring& path, std::vector<RemoteListEntry>* entries) override;
    RemoteOutcome OpenRead(const std::wstring& path, std::unique_ptr<RemoteFile>* file) override;
    RemoteOutcome OpenWrite(const std::wstring& path, std::unique_ptr<RemoteFile>* file) override;
    RemoteOutcome OpenReadAt(const std::wstring& path, std::uint64_t offset,
                             std::unique_ptr<RemoteFile>* file) override;
    RemoteOutcome OpenWriteAt(const std::wstring& path, std::uint64_t offset,
                              std::unique_ptr<RemoteFile>* file) override;
    RemoteOutcome ModifiedTime(const std::wstring& path, std::string* utc) override;
    RemoteOutcome SetModifiedTime(const std::wstring& path, const std::string& utc) override;

private:
    RemoteOutcome LogIn(const ConnectRequest& request);
    // The UTF-8 path on the server: absolute as given, otherwise below the
    // current folder.
    std::string Resolve(const std::wstring& path) const;
    // The outcome of a failed SFTP call.
    RemoteOutcome Failure() const;
    RemoteOutcome Open(const std::wstring& path, unsigned long flags, std::uint64_t offset,
                       std::unique_ptr<RemoteFile>* file);

    DWORD timeoutMs_;
    // Declared in the order they are made: destroyed in the reverse.
    WinsockStartup winsock_;
    ScopedSocket socket_;
    ScopedSshSession session_;
    ScopedSftp sftp_;
    std::string current_;  // the current folder, absolute
};

}  // namespace velmor::ftp

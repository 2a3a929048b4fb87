// Session, login and remote directory operations on the shared FtpContext.
#pragma once

#include <memory>
#include <string>

#include "ftp/ftp_api.h"
#include "ftp/ftp_context.h"
#include "ftp/progress_view.h"
#include "ftp/remote_connector.h"

namespace velmor::ftp {

class FtpSession {
public:
    // Plain FTP goes through WinINet's api; the connectors make connections
    // over TLS and SFTP. Without one, a server text that asks for it gives 100.
    FtpSession(FtpContext& context, FtpApi& api, ProgressView& view, RemoteConnector tls = nullptr,
               RemoteConnector sftp = nullptr)
        : context_(context), api_(api), view_(view), tls_(std::move(tls)), sftp_(std::move(sftp)) {}

    void SetProxy(const std::wstring& proxyName, const std::wstring& login,
                  const std::wstring& password);
    long OpenSession();
    long Connect(const std::wstring& server, const std::wstring& userName,
                 const std::wstring& password);
    long SetCurDir(const std::wstring& path);
    long DeleteFile(const std::wstring& fileName);
    long CreateDirectory(const std::wstring& path);
    long FileExists(const std::wstring& file);
    long RemoveFolder(const std::wstring& path);
    long RenameFile(const std::wstring& from, const std::wstring& to);
    // The folder's entries, one line each ending in CR LF, with the fields
    // name, size (empty for folders), modified (UTC, or empty) and type
    // ("file", "dir", "link") separated by tabs. On failure *entries is empty.
    long ListDirectory(const std::wstring& path, std::wstring* entries);
    // The key for the SFTP connections from now on; 6 when the file cannot be
    // read. An empty name forgets the key: the password is used again.
    long SetPrivateKey(const std::wstring& keyFile, const std::wstring& passphrase);
    void CloseSession();

private:
    template <typename Operation>
    long RemoteOperation(const std::wstring& path, Operation operation);

    FtpContext& context_;
    FtpApi& api_;
    ProgressView& view_;
    RemoteConnector tls_;
    RemoteConnector sftp_;
};

}  // namespace velmor::ftp

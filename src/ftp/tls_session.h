// A RemoteSession over the library's FTP client: one connection over TLS on a
// Network (Schannel in the component). Names and credentials travel in UTF-8
// when the server announced UTF8, otherwise in the ANSI code page.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ftp/core/ftp_client.h"
#include "ftp/core/network.h"
#include "ftp/remote_session.h"

namespace velmor::ftp {

class TlsSession final : public RemoteSession {
public:
    explicit TlsSession(std::unique_ptr<Network> network);
    // Says QUIT when still connected.
    ~TlsSession() override;

    // Connects, secures the connection and logs in.
    RemoteOutcome Connect(const std::wstring& host, std::uint16_t port, bool passive,
                          const std::wstring& user, const std::wstring& password);

    // Aborts an open transfer, says QUIT and closes the connections.
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
    class File;

    UINT NameCodePage() const;
    std::string Encode(const std::wstring& text) const;
    RemoteListEntry Describe(const RemoteEntry& entry) const;

    std::unique_ptr<Network> network_;
    FtpClient client_;  // uses network_, so it is destroyed first
};

}  // namespace velmor::ftp

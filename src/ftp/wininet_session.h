// A RemoteSession over WinINet's FTP: plain FTP through an FtpApi, on one
// connection handle. The FtpApi must outlive the session.
#pragma once

#include <windows.h>

#include "ftp/ftp_api.h"
#include "ftp/internet_handle.h"
#include "ftp/remote_session.h"

namespace velmor::ftp {

class WinInetSession final : public RemoteSession {
public:
    // Takes over the connection handle, which the api made.
    WinInetSession(FtpApi& api, HINTERNET connection) : api_(api), connection_(&api, connection) {}

    HINTERNET Handle() const { return connection_.get(); }

    // Closes the connection handle; WinINet then fails every call on it and
    // on the files opened through it.
    void Close() override { connection_.reset(); }

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
    RemoteOutcome Open(const std::wstring& path, DWORD access, std::unique_ptr<RemoteFile>* file);
    RemoteOutcome ListCurrent(std::vector<RemoteListEntry>* entries);
    RemoteOutcome Restart(std::uint64_t offset);

    FtpApi& api_;
    InternetHandle connection_;
};

// What WinINet's last error says of a failed call.
RemoteOutcome OutcomeForWinInetError(DWORD lastError);

// An entry of WinINet's listing as the engine describes entries.
RemoteListEntry EntryFromFindData(const WIN32_FIND_DATAW& data);

}  // namespace velmor::ftp

// FtpApi over the library's own FTP client, for one connection over TLS: the
// same calls the engine makes of WinINet, answered by FtpClient on a Network
// (Schannel in the component). Each object serves one connection; its
// handles are tokens of its own, valid only with this object. The session
// handle stays WinINet's and is not used here.
#pragma once

#include <memory>
#include <string>

#include "ftp/core/ftp_client.h"
#include "ftp/core/network.h"
#include "ftp/ftp_api.h"

namespace velmor::ftp {

class TlsFtpApi final : public FtpApi {
public:
    explicit TlsFtpApi(std::unique_ptr<Network> network);
    ~TlsFtpApi() override;

    HINTERNET OpenSession(const wchar_t* agent, DWORD accessType, const wchar_t* proxy) override;
    BOOL SetStringOption(HINTERNET handle, DWORD option, const wchar_t* value,
                         DWORD lengthChars) override;
    // Logs in; the session handle is not used.
    HINTERNET ConnectFtp(HINTERNET session, const wchar_t* host, INTERNET_PORT port,
                         const wchar_t* user, const wchar_t* password, DWORD flags) override;
    BOOL ChangeDirectory(HINTERNET connection, const wchar_t* path) override;
    BOOL RemoveFile(HINTERNET connection, const wchar_t* path) override;
    BOOL MakeDirectory(HINTERNET connection, const wchar_t* path) override;
    HINTERNET FindFirst(HINTERNET connection, const wchar_t* path, WIN32_FIND_DATAW* entry,
                        DWORD flags) override;
    HINTERNET OpenRemoteFile(HINTERNET connection, const wchar_t* path, DWORD access,
                             DWORD flags) override;
    // Fills the buffer as InternetReadFile does: short only at the end.
    BOOL Read(HINTERNET file, void* buffer, DWORD size, DWORD* read) override;
    BOOL Write(HINTERNET file, const void* data, DWORD size, DWORD* written) override;
    // A file handle ends its transfer (a store is completed, a retrieve
    // aborted); the connection handle says QUIT.
    BOOL CloseHandle(HINTERNET handle) override;
    DWORD LastError() override { return lastError_; }

private:
    template <typename Call>
    BOOL Simple(HINTERNET connection, const wchar_t* path, Call call);
    bool Ours(HINTERNET handle, const char& tag) const;
    BOOL Fail(FtpOutcome outcome);
    // Names and credentials travel in UTF-8 when the server announced UTF8,
    // otherwise in the ANSI code page.
    UINT NameCodePage() const;
    std::string Encode(const wchar_t* text) const;

    std::unique_ptr<Network> network_;
    FtpClient client_;  // uses network_, so it is destroyed first
    DWORD lastError_ = 0;
    bool connected_ = false;
    bool fileComplete_ = false;  // the open retrieve has delivered all
    // The handles handed out are the addresses of these.
    char connectionTag_ = 0;
    char findTag_ = 0;
    char fileTag_ = 0;
};

}  // namespace velmor::ftp

// FtpApi over the real WinINet.
#pragma once

#include "ftp/ftp_api.h"

namespace velmor::ftp {

class WinInetApi : public FtpApi {
public:
    HINTERNET OpenSession(const wchar_t* agent, DWORD accessType, const wchar_t* proxy) override;
    BOOL SetStringOption(HINTERNET handle, DWORD option, const wchar_t* value,
                         DWORD lengthChars) override;
    HINTERNET ConnectFtp(HINTERNET session, const wchar_t* host, INTERNET_PORT port,
                         const wchar_t* user, const wchar_t* password, DWORD flags) override;
    BOOL ChangeDirectory(HINTERNET connection, const wchar_t* path) override;
    BOOL CurrentDirectory(HINTERNET connection, wchar_t* buffer, DWORD* lengthChars) override;
    BOOL RemoveFile(HINTERNET connection, const wchar_t* path) override;
    BOOL MakeDirectory(HINTERNET connection, const wchar_t* path) override;
    BOOL RemoveDirectory(HINTERNET connection, const wchar_t* path) override;
    BOOL RenameFile(HINTERNET connection, const wchar_t* from, const wchar_t* to) override;
    HINTERNET FindFirst(HINTERNET connection, const wchar_t* path, WIN32_FIND_DATAW* entry,
                        DWORD flags) override;
    BOOL FindNext(HINTERNET find, WIN32_FIND_DATAW* entry) override;
    HINTERNET OpenRemoteFile(HINTERNET connection, const wchar_t* path, DWORD access,
                             DWORD flags) override;
    BOOL Read(HINTERNET file, void* buffer, DWORD size, DWORD* read) override;
    BOOL Write(HINTERNET file, const void* data, DWORD size, DWORD* written) override;
    BOOL Command(HINTERNET connection, const wchar_t* command) override;
    std::wstring LastResponse() override;
    BOOL CloseHandle(HINTERNET handle) override;
    DWORD LastError() override;
};

}  // namespace velmor::ftp

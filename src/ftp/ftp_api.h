// The narrow seam in front of WinINet: every call WinInetSession makes of it
// goes through this interface. WinInetApi is the only production
// implementation; unit tests substitute doubles to produce conditions a test
// server cannot (login errors, ERROR_NO_MORE_FILES, odd listing entries).
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

namespace velmor::ftp {

class FtpApi {
public:
    virtual ~FtpApi() = default;

    virtual HINTERNET OpenSession(const wchar_t* agent, DWORD accessType, const wchar_t* proxy) = 0;
    virtual BOOL SetStringOption(HINTERNET handle, DWORD option, const wchar_t* value,
                                 DWORD lengthChars) = 0;
    virtual HINTERNET ConnectFtp(HINTERNET session, const wchar_t* host, INTERNET_PORT port,
                                 const wchar_t* user, const wchar_t* password, DWORD flags) = 0;
    virtual BOOL ChangeDirectory(HINTERNET connection, const wchar_t* path) = 0;
    // *lengthChars: the buffer's size in, the length of the path out.
    virtual BOOL CurrentDirectory(HINTERNET connection, wchar_t* buffer, DWORD* lengthChars) = 0;
    virtual BOOL RemoveFile(HINTERNET connection, const wchar_t* path) = 0;
    virtual BOOL MakeDirectory(HINTERNET connection, const wchar_t* path) = 0;
    virtual BOOL RemoveDirectory(HINTERNET connection, const wchar_t* path) = 0;
    virtual BOOL RenameFile(HINTERNET connection, const wchar_t* from, const wchar_t* to) = 0;
    virtual HINTERNET FindFirst(HINTERNET connection, const wchar_t* path, WIN32_FIND_DATAW* entry,
                                DWORD flags) = 0;
    virtual BOOL FindNext(HINTERNET find, WIN32_FIND_DATAW* entry) = 0;
    virtual HINTERNET OpenRemoteFile(HINTERNET connection, const wchar_t* path, DWORD access,
                                     DWORD flags) = 0;
    virtual BOOL Read(HINTERNET file, void* buffer, DWORD size, DWORD* read) = 0;
    virtual BOOL Write(HINTERNET file, const void* data, DWORD size, DWORD* written) = 0;
    // A command on the control connection that opens no data connection
    // (FtpCommandW): TRUE when the server answered with a code below 400.
    virtual BOOL Command(HINTERNET connection, const wchar_t* command) = 0;
    // The text of the server's last reply on this thread, when WinINet keeps
    // it (InternetGetLastResponseInfoW); empty otherwise.
    virtual std::wstring LastResponse() = 0;
    virtual BOOL CloseHandle(HINTERNET handle) = 0;
    // The reason for the last failed call on this thread.
    virtual DWORD LastError() = 0;
};

}  // namespace velmor::ftp

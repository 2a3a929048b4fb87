#include "ftp/wininet_api.h"

namespace velmor::ftp {

HINTERNET WinInetApi::OpenSession(const wchar_t* agent, DWORD accessType, const wchar_t* proxy) {
    return InternetOpenW(agent, accessType, proxy, nullptr, 0);
}

BOOL WinInetApi::SetStringOption(HINTERNET handle, DWORD option, const wchar_t* value,
                                 DWORD lengthChars) {
    return InternetSetOptionW(handle, option, const_cast<wchar_t*>(value), lengthChars);
}

HINTERNET WinInetApi::ConnectFtp(HINTERNET session, const wchar_t* host, INTERNET_PORT port,
                                 const wchar_t* user, const wchar_t* password, DWORD flags) {
    return InternetConnectW(session, host, port, user, password, INTERNET_SERVICE_FTP, flags, 0);
}

BOOL WinInetApi::ChangeDirectory(HINTERNET connection, const wchar_t* path) {
    return FtpSetCurrentDirectoryW(connection, path);
}

BOOL WinInetApi::CurrentDirectory(HINTERNET connection, wchar_t* buffer, DWORD* lengthChars) {
    return FtpGetCurrentDirectoryW(connection, buffer, lengthChars);
}

BOOL WinInetApi::RemoveFile(HINTERNET connection, const wchar_t* path) {
    return FtpDeleteFileW(connection, path);
}

BOOL WinInetApi::MakeDirectory(HINTERNET connection, const wchar_t* path) {
    return FtpCreateDirectoryW(connection, path);
}

BOOL WinInetApi::RemoveDirectory(HINTERNET connection, const wchar_t* path) {
    return FtpRemoveDirectoryW(connection, path);
}

BOOL WinInetApi::RenameFile(HINTERNET connection, const wchar_t* from, const wchar_t* to) {
    return FtpRenameFileW(connection, from, to);
}

HINTERNET WinInetApi::FindFirst(HINTERNET connection, const wchar_t* path, WIN32_FIND_DATAW* entry,
                                DWORD flags) {
    return FtpFindFirstFileW(connection, path, entry, flags, 0);
}

BOOL WinInetApi::FindNext(HINTERNET find, WIN32_FIND_DATAW* entry) {
    return InternetFindNextFileW(find, entry);
}

HINTERNET WinInetApi::OpenRemoteFile(HINTERNET connection, const wchar_t* path, DWORD access,
                                     DWORD flags) {
    return FtpOpenFileW(connection, path, access, flags, 0);
}

BOOL WinInetApi::Read(HINTERNET file, void* buffer, DWORD size, DWORD* read) {
    return InternetReadFile(file, buffer, size, read);
}

BOOL WinInetApi::Write(HINTERNET file, const void* data, DWORD size, DWORD* written) {
    return InternetWriteFile(file, data, size, written);
}

BOOL WinInetApi::Command(HINTERNET connection, const wchar_t* command) {
    return FtpCommandW(connection, FALSE, FTP_TRANSFER_TYPE_BINARY, command, 0, nullptr);
}

std::wstring WinInetApi::LastResponse() {
    wchar_t text[512];
    DWORD error = 0;
    DWORD length = sizeof text / sizeof text[0];
    if (!InternetGetLastResponseInfoW(&error, text, &length)) return std::wstring();
    return std::wstring(text, length < sizeof text / sizeof text[0] ? length : 0);
}

BOOL WinInetApi::CloseHandle(HINTERNET handle) { return InternetCloseHandle(handle); }

DWORD WinInetApi::LastError() { return GetLastError(); }

}  // namespace velmor::ftp

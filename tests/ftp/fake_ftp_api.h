// A scripted FtpApi for unit tests: records what the engine asks of WinINet
// and answers with the failures and entries a test sets up.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ftp/ftp_api.h"

namespace velmor::ftp::testing {

class FakeFtpApi : public FtpApi {
public:
    // Answers
    bool openSucceeds = true;
    bool connectSucceeds = true;
    DWORD connectError = 0;
    bool remoteOperationsSucceed = true;
    bool findSucceeds = true;
    DWORD findError = 0;
    WIN32_FIND_DATAW entry{};
    bool openFileSucceeds = true;
    std::vector<BYTE> fileContent;
    size_t failReadAt = SIZE_MAX;      // index of the read that fails
    size_t failWriteAt = SIZE_MAX;     // index of the write that fails
    bool shortWrite = false;           // ... by writing half its bytes instead
    bool failRemoteFileClose = false;  // closing an opened remote file fails

    // Records
    DWORD openAccessType = 0;
    std::wstring openProxy;
    bool openProxyNull = false;
    std::vector<std::pair<DWORD, std::wstring>> options;
    std::wstring connectHost, connectUser, connectPassword;
    INTERNET_PORT connectPort = 0;
    DWORD connectFlags = 0;
    std::vector<std::wstring>
        calls;  // "cd path", "rm path", "mkdir path", "find path", "open path"
    DWORD findFlags = 0;
    DWORD openFileAccess = 0, openFileFlags = 0;
    std::vector<DWORD> readSizes;
    std::vector<DWORD> writeSizes;
    std::vector<BYTE> uploaded;
    std::vector<HINTERNET> closed;
    int opened = 0;

    void SetEntry(const std::wstring& name, DWORD size) {
        entry = WIN32_FIND_DATAW{};
        entry.nFileSizeLow = size;
        wcsncpy(entry.cFileName, name.c_str(), MAX_PATH - 1);
    }
    bool IsClosed(HINTERNET h) const {
        return std::find(closed.begin(), closed.end(), h) != closed.end();
    }
    // Every handle handed out has been closed exactly once.
    bool AllClosed() const { return static_cast<int>(closed.size()) == opened; }

    HINTERNET OpenSession(const wchar_t*, DWORD accessType, const wchar_t* proxy) override {
        openAccessType = accessType;
        openProxyNull = proxy == nullptr;
        openProxy = proxy ? proxy : L"";
        return openSucceeds ? NewHandle() : Fail(ERROR_INTERNET_INTERNAL_ERROR);
    }
    BOOL SetStringOption(HINTERNET, DWORD option, const wchar_t* value, DWORD length) override {
        options.emplace_back(option, std::wstring(value, length));
        return TRUE;
    }
    HINTERNET ConnectFtp(HINTERNET, const wchar_t* host, INTERNET_PORT port, const wchar_t* user,
                         const wchar_t* password, DWORD flags) override {
        connectHost = host;
        connectPort = port;
        connectUser = user;
        connectPassword = password;
        connectFlags = flags;
        return connectSucceeds ? NewHandle() : Fail(connectError);
    }
    BOOL ChangeDirectory(HINTERNET, const wchar_t* path) override { return Remote(L"cd ", path); }
    BOOL RemoveFile(HINTERNET, const wchar_t* path) override { return Remote(L"rm ", path); }
    BOOL MakeDirectory(HINTERNET, const wchar_t* path) override { return Remote(L"mkdir ", path); }
    BOOL CurrentDirectory(HINTERNET, wchar_t* buffer, DWORD* length) override {
        wcsncpy(buffer, L"/", *length);
        *length = 1;
        return TRUE;
    }
    BOOL RemoveDirectory(HINTERNET, const wchar_t* path) override {
        return Remote(L"rmdir ", path);
    }
    BOOL RenameFile(HINTERNET, const wchar_t* from, const wchar_t* to) override {
        return Remote(L"mv ", (std::wstring(from) + L" " + to).c_str());
    }
    BOOL FindNext(HINTERNET, WIN32_FIND_DATAW*) override {
        lastError_ = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    HINTERNET FindFirst(HINTERNET, const wchar_t* path, WIN32_FIND_DATAW* found,
                        DWORD flags) override {
        calls.push_back(std::wstring(L"find ") + path);
        findFlags = flags;
        if (!findSucceeds) return Fail(findError);
        *found = entry;
        return NewHandle();
    }
    HINTERNET OpenRemoteFile(HINTERNET, const wchar_t* path, DWORD access, DWORD flags) override {
        calls.push_back(std::wstring(L"open ") + path);
        openFileAccess = access;
        openFileFlags = flags;
        readOffset_ = 0;
        if (!openFileSucceeds) return Fail(ERROR_INTERNET_EXTENDED_ERROR);
        remoteFile_ = NewHandle();
        return remoteFile_;
    }
    BOOL Read(HINTERNET, void* buffer, DWORD size, DWORD* read) override {
        readSizes.push_back(size);
        if (readSizes.size() - 1 == failReadAt) {
            lastError_ = ERROR_INTERNET_CONNECTION_RESET;
            return FALSE;
        }
        const size_t n = std::min<size_t>(size, fileContent.size() - readOffset_);
        if (n > 0) std::memcpy(buffer, fileContent.data() + readOffset_, n);
        readOffset_ += n;
        *read = static_cast<DWORD>(n);
        return TRUE;
    }
    BOOL Write(HINTERNET, const void* data, DWORD size, DWORD* written) override {
        writeSizes.push_back(size);
        *written = size;
        if (writeSizes.size() - 1 == failWriteAt) {
            if (!shortWrite) {
                lastError_ = ERROR_INTERNET_CONNECTION_RESET;
                return FALSE;
            }
            *written = size / 2;
        }
        const BYTE* bytes = static_cast<const BYTE*>(data);
        uploaded.insert(uploaded.end(), bytes, bytes + *written);
        return TRUE;
    }
    BOOL Command(HINTERNET, const wchar_t* command) override { return Remote(L"quote ", command); }
    std::wstring LastResponse() override { return std::wstring(); }
    BOOL CloseHandle(HINTERNET handle) override {
        closed.push_back(handle);
        return !(failRemoteFileClose && handle == remoteFile_);
    }
    DWORD LastError() override { return lastError_; }

private:
    HINTERNET NewHandle() {
        ++opened;
        return reinterpret_cast<HINTERNET>(static_cast<INT_PTR>(0x1000 + opened));
    }
    HINTERNET Fail(DWORD error) {
        lastError_ = error;
        return nullptr;
    }
    BOOL Remote(const wchar_t* verb, const wchar_t* path) {
        calls.push_back(verb + std::wstring(path));
        if (remoteOperationsSucceed) return TRUE;
        lastError_ = ERROR_INTERNET_EXTENDED_ERROR;
        return FALSE;
    }

    DWORD lastError_ = 0;
    size_t readOffset_ = 0;
    HINTERNET remoteFile_ = nullptr;
};

}  // namespace velmor::ftp::testing

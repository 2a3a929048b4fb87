#include "ftp/wininet_session.h"

#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "ftp/ftp_constants.h"
#include "ftp/core/listing_parsers.h"
#include "ftp/ftp_error_mapping.h"
#include "ftp/text_encoding.h"

namespace velmor::ftp {
namespace {

RemoteOutcome Done(BOOL ok) { return ok ? RemoteOutcome::kOk : RemoteOutcome::kFailed; }

class WinInetFile final : public RemoteFile {
public:
    WinInetFile(FtpApi& api, HINTERNET file) : api_(api), file_(&api, file) {}

    RemoteOutcome Read(void* buffer, size_t size, size_t* read) override {
        DWORD got = 0;
        const BOOL ok = api_.Read(file_.get(), buffer, static_cast<DWORD>(size), &got);
        *read = got;
        return Done(ok);
    }
    RemoteOutcome Write(const void* data, size_t size) override {
        DWORD written = 0;
        const BOOL ok = api_.Write(file_.get(), data, static_cast<DWORD>(size), &written);
        return Done(ok && written == size);
    }
    RemoteOutcome Finish() override { return Done(api_.CloseHandle(file_.release())); }

private:
    FtpApi& api_;
    InternetHandle file_;
};

}  // namespace

RemoteOutcome OutcomeForWinInetError(DWORD lastError) {
    switch (lastError) {
        case ERROR_INTERNET_NAME_NOT_RESOLVED:
            return RemoteOutcome::kNameNotResolved;
        case ERROR_INTERNET_INCORRECT_USER_NAME:
            return RemoteOutcome::kWrongUser;
        case ERROR_INTERNET_INCORRECT_PASSWORD:
            return RemoteOutcome::kWrongPassword;
        case ERROR_INTERNET_LOGIN_FAILURE:
            return RemoteOutcome::kLoginFailed;
        case ERROR_NO_MORE_FILES:
            return RemoteOutcome::kNotFound;
        default:
            return RemoteOutcome::kFailed;
    }
}

RemoteListEntry EntryFromFindData(const WIN32_FIND_DATAW& data) {
    RemoteListEntry entry;
    entry.name.assign(data.cFileName, wcsnlen(data.cFileName, MAX_PATH));
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        entry.type = EntryType::kDirectory;
    } else if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        entry.type = EntryType::kLink;
    }
    entry.sizeKnown = entry.type != EntryType::kDirectory;
    entry.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    SYSTEMTIME time{};
    const FILETIME& written = data.ftLastWriteTime;
    if ((written.dwLowDateTime != 0 || written.dwHighDateTime != 0) &&
        FileTimeToSystemTime(&written, &time)) {
        char text[32];
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth,
                      time.wDay, time.wHour, time.wMinute, time.wSecond);
        entry.modified = text;
    }
    return entry;
}

RemoteOutcome WinInetSession::ChangeDirectory(const std::wstring& path) {
    return Done(api_.ChangeDirectory(connection_.get(), path.c_str()));
}

RemoteOutcome WinInetSession::RemoveFile(const std::wstring& path) {
    return Done(api_.RemoveFile(connection_.get(), path.c_str()));
}

RemoteOutcome WinInetSession::MakeDirectory(const std::wstring& path) {
    return Done(api_.MakeDirectory(connection_.get(), path.c_str()));
}

RemoteOutcome WinInetSession::RemoveFolder(const std::wstring& path) {
    return Done(api_.RemoveDirectory(connection_.get(), path.c_str()));
}

RemoteOutcome WinInetSession::Rename(const std::wstring& from, const std::wstring& to) {
    return Done(api_.RenameFile(connection_.get(), from.c_str(), to.c_str()));
}

RemoteOutcome WinInetSession::Lookup(const std::wstring& path, bool forDownload,
                                     RemoteListEntry* entry) {
    WIN32_FIND_DATAW data{};
    InternetHandle found(&api_,
                         api_.FindFirst(connection_.get(), path.c_str(), &data,
                                        forDownload ? kDownloadFindFlags : kExistsFindFlags));
    if (!found) {
        return api_.LastError() == ERROR_NO_MORE_FILES ? RemoteOutcome::kNotFound
                                                       : RemoteOutcome::kFailed;
    }
    found.reset();
    if (IsErrorTextEntry(data)) return RemoteOutcome::kNotFound;
    *entry = EntryFromFindData(data);
    return RemoteOutcome::kOk;
}

RemoteOutcome WinInetSession::List(const std::wstring& path,
                                   std::vector<RemoteListEntry>* entries) {
    entries->clear();
    if (path.empty()) return ListCurrent(entries);
    // WinINet takes a path to list as a pattern, which servers and WinINet
    // versions read differently: the folder is listed from inside instead.
    wchar_t saved[MAX_PATH + 1];
    DWORD length = MAX_PATH;
    if (!api_.CurrentDirectory(connection_.get(), saved, &length)) return RemoteOutcome::kFailed;
    saved[std::min<DWORD>(length, MAX_PATH)] = L'\0';
    if (!api_.ChangeDirectory(connection_.get(), path.c_str())) return RemoteOutcome::kFailed;
    const RemoteOutcome listed = ListCurrent(entries);
    if (!api_.ChangeDirectory(connection_.get(), saved)) return RemoteOutcome::kFailed;
    return listed;
}

RemoteOutcome WinInetSession::ListCurrent(std::vector<RemoteListEntry>* entries) {
    WIN32_FIND_DATAW data{};
    InternetHandle find(&api_, api_.FindFirst(connection_.get(), nullptr, &data, kExistsFindFlags));
    if (!find) {
        // An empty folder lists nothing.
        return api_.LastError() == ERROR_NO_MORE_FILES ? RemoteOutcome::kOk
                                                       : RemoteOutcome::kFailed;
    }
    do {
        if (IsErrorTextEntry(data)) continue;
        RemoteListEntry entry = EntryFromFindData(data);
        if (entry.name != L"." && entry.name != L"..") entries->push_back(std::move(entry));
    } while (api_.FindNext(find.get(), &data));
    return api_.LastError() == ERROR_NO_MORE_FILES ? RemoteOutcome::kOk : RemoteOutcome::kFailed;
}

RemoteOutcome WinInetSession::Open(const std::wstring& path, DWORD access,
                                   std::unique_ptr<RemoteFile>* file) {
    HINTERNET handle = api_.OpenRemoteFile(connection_.get(), path.c_str(), access, kOpenFileFlags);
    if (handle == nullptr) return RemoteOutcome::kFailed;
    *file = std::make_unique<WinInetFile>(api_, handle);
    return RemoteOutcome::kOk;
}

RemoteOutcome WinInetSession::OpenRead(const std::wstring& path,
                                       std::unique_ptr<RemoteFile>* file) {
    return Open(path, GENERIC_READ, file);
}

RemoteOutcome WinInetSession::OpenWrite(const std::wstring& path,
                                        std::unique_ptr<RemoteFile>* file) {
    return Open(path, GENERIC_WRITE, file);
}

// WinINet has no restart of its own: REST goes as a command of its own, and
// the transfer that WinINet opens next starts there. Binary mode first: a
// listing leaves the connection in ASCII mode, where servers refuse REST.
RemoteOutcome WinInetSession::Restart(std::uint64_t offset) {
    if (offset == 0) return RemoteOutcome::kOk;
    const std::wstring command = L"REST " + std::to_wstring(offset);
    return api_.Command(connection_.get(), L"TYPE I") &&
                   api_.Command(connection_.get(), command.c_str())
               ? RemoteOutcome::kOk
               : RemoteOutcome::kRestartRefused;
}

RemoteOutcome WinInetSession::OpenReadAt(const std::wstring& path, std::uint64_t offset,
                                         std::unique_ptr<RemoteFile>* file) {
    const RemoteOutcome restarted = Restart(offset);
    return restarted == RemoteOutcome::kOk ? Open(path, GENERIC_READ, file) : restarted;
}

RemoteOutcome WinInetSession::OpenWriteAt(const std::wstring& path, std::uint64_t offset,
                                          std::unique_ptr<RemoteFile>* file) {
    const RemoteOutcome restarted = Restart(offset);
    return restarted == RemoteOutcome::kOk ? Open(path, GENERIC_WRITE, file) : restarted;
}

// MDTM, where WinINet hands out the reply's text (Wine's keeps only the texts
// of failed commands).
RemoteOutcome WinInetSession::ModifiedTime(const std::wstring& path, std::string* utc) {
    utc->clear();
    const std::wstring command = L"MDTM " + path;
    if (!api_.Command(connection_.get(), command.c_str())) return RemoteOutcome::kFailed;
    const std::string reply = EncodeText(CP_UTF8, api_.LastResponse());
    const size_t code = reply.rfind("213 ");
    if (code != std::string::npos) *utc = ModifyTime(reply.substr(code + 4, 14));
    return utc->empty() ? RemoteOutcome::kFailed : RemoteOutcome::kOk;
}

RemoteOutcome WinInetSession::SetModifiedTime(const std::wstring& path, const std::string& utc) {
    const std::string fact = ModifyFact(utc);
    if (fact.empty()) return RemoteOutcome::kFailed;
    const std::wstring command = L"MFMT " + DecodeText(CP_UTF8, fact) + L" " + path;
    return Done(api_.Command(connection_.get(), command.c_str()));
}

}  // namespace velmor::ftp

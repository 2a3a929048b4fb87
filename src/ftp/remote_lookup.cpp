#include "ftp/remote_lookup.h"

#include "ftp/ftp_constants.h"
#include "ftp/ftp_error_mapping.h"
#include "ftp/internet_handle.h"

namespace velmor::ftp {

LookupResult LookUpRemoteFile(FtpApi& api, HINTERNET connection, const std::wstring& path,
                              DWORD findFlags) {
    WIN32_FIND_DATAW entry{};
    HINTERNET found = api.FindFirst(connection, path.c_str(), &entry, findFlags);
    if (found == nullptr) {
        return {api.LastError() == ERROR_NO_MORE_FILES ? Lookup::kNotListed : Lookup::kFailed, 0};
    }
    InternetHandle(&api, found).reset();
    if (IsErrorTextEntry(entry)) return {Lookup::kNotListed, 0};
    return {Lookup::kFound,
            (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow};
}

bool RemoteFileOpens(FtpApi& api, HINTERNET connection, const std::wstring& path) {
    InternetHandle file(&api,
                        api.OpenRemoteFile(connection, path.c_str(), GENERIC_READ, kOpenFileFlags));
    return static_cast<bool>(file);
}

}  // namespace velmor::ftp

// Looking a remote file up in the server's listing before it is used. Not
// every listing is one a client can read (names with blanks, unusual
// formats), so a lookup that fails for a reason other than "no such file"
// leaves the decision to opening the file.
#pragma once

#include <windows.h>

#include <string>

#include "ftp/ftp_api.h"

namespace velmor::ftp {

enum class Lookup {
    kFound,      // listed; size holds its size
    kNotListed,  // no matching file, or a server's error text listed as one
    kFailed,     // the listing gave no answer; the file may still exist
};

struct LookupResult {
    Lookup outcome;
    ULONGLONG size;  // the listed size; 0 unless found
};

LookupResult LookUpRemoteFile(FtpApi& api, HINTERNET connection, const std::wstring& path,
                              DWORD findFlags);

// Opens the remote file for reading without a listing; true when it opens.
bool RemoteFileOpens(FtpApi& api, HINTERNET connection, const std::wstring& path);

}  // namespace velmor::ftp

// The FTP state of the process: one Internet session, one FTP connection and
// the download's progress window, shared by every OrvFtp object.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/win/handle_traits.h"
#include "ftp/internet_handle.h"

namespace velmor::ftp {

struct FtpContext {
    InternetHandle sessionHandle;
    // The client of a connection over TLS, which made connectionHandle; it
    // outlives the handle it made.
    std::shared_ptr<FtpApi> tlsApi;
    InternetHandle connectionHandle;
    ScopedWindow progressWindow;  // destroyed when reset, unless already gone
    LONG cancelFlag = 0;          // 1: the running download is cancelled or finished
    LONG sizeKnown = 0;           // 1: the running download shows a percentage
    DWORD chunkSize = 0;          // set to 4096 by the first download
    std::wstring proxyName;       // empty: no proxy
    std::wstring proxyUser;
    std::wstring proxyPassword;

    // Starts a transfer: the chunk size on first use, and no cancellation.
    void BeginTransfer();

    // The seam connectionHandle was made through (WinINet or tlsApi; the
    // fallback when it names none), held for the length of a transfer: the
    // host may reconnect while a transfer pumps its messages.
    std::shared_ptr<FtpApi> ConnectionApi(FtpApi& fallback) const;
    // Ends the connection, and the TLS client with it.
    void Disconnect();

    // The process-wide instance used by the component. It is created on first
    // use and never destroyed: the session must outlive every object, and
    // closing WinINet handles while the loader unloads the library is unsafe.
    static FtpContext& Process();
};

}  // namespace velmor::ftp

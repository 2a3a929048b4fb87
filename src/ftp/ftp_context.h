// The FTP state of the process: one Internet session, one connection to a
// server (FTP, FTP over TLS or SFTP) and the download's progress window,
// shared by every OrvFtp object.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/win/handle_traits.h"
#include "ftp/internet_handle.h"
#include "ftp/remote_session.h"

namespace velmor::ftp {

struct FtpContext {
    InternetHandle sessionHandle;
    // The connected session; a transfer holds it to its end, whatever the
    // host does while the transfer pumps its messages.
    std::shared_ptr<RemoteSession> connection;
    // The server's certificate or host key at the last connection attempt
    // over TLS or SFTP, as a pin names it.
    std::wstring fingerprint;
    // The private key (its file's content) and passphrase of the next SFTP
    // connection.
    std::string privateKey;
    std::wstring keyPassphrase;
    ScopedWindow progressWindow;  // destroyed when reset, unless already gone
    LONG cancelFlag = 0;          // 1: the running download is cancelled or finished
    LONG sizeKnown = 0;           // 1: the running download shows a percentage
    DWORD chunkSize = 0;          // set to 4096 by the first download
    std::wstring proxyName;       // empty: no proxy
    std::wstring proxyUser;
    std::wstring proxyPassword;

    // Starts a transfer: the chunk size on first use, and no cancellation.
    void BeginTransfer();

    // Ends the connection, also for a transfer that still holds it.
    void Disconnect();

    // The process-wide instance used by the component. It is created on first
    // use and never destroyed: the session must outlive every object, and
    // closing WinINet handles while the loader unloads the library is unsafe.
    static FtpContext& Process();
};

}  // namespace velmor::ftp

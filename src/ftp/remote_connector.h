// How FtpSession asks for a connection over TLS or SFTP: a connector takes
// the parsed server text and the credentials, and gives a connected session
// or the reason there is none, with the fingerprint the server showed.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ftp/remote_session.h"
#include "ftp/server_text.h"

namespace velmor::ftp {

struct ConnectRequest {
    const ServerAddress& address;
    const std::wstring& user;
    const std::wstring& password;
    // SFTP: the private key file's content and its passphrase; no private
    // key: log in by password.
    const std::string& privateKey;
    const std::wstring& keyPassphrase;
};

struct RemoteConnection {
    RemoteOutcome outcome = RemoteOutcome::kFailed;
    std::shared_ptr<RemoteSession> session;  // set when outcome is kOk
    // The server's certificate or host key as a pin names it; empty when the
    // connection failed before the server showed one.
    std::wstring fingerprint;
};

using RemoteConnector = std::function<RemoteConnection(const ConnectRequest& request)>;

}  // namespace velmor::ftp

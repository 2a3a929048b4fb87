// Winsock 2 must come before any windows.h (the session below needs it).
#include <winsock2.h>

#include "ftp/win/sftp_connector.h"

#include "ftp/win/sftp_session.h"

namespace velmor::ftp {

RemoteConnector SftpConnector(DWORD timeoutMs) {
    return [timeoutMs](const ConnectRequest& request) {
        auto session = std::make_shared<SftpSession>(timeoutMs);
        RemoteConnection connection;
        connection.outcome = session->Connect(request, &connection.fingerprint);
        if (connection.outcome == RemoteOutcome::kOk) connection.session = std::move(session);
        return connection;
    };
}

}  // namespace velmor::ftp

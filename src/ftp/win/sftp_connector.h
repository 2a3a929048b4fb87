// The connections over SFTP as the component makes them.
#pragma once

#include <windows.h>

#include "ftp/remote_connector.h"

namespace velmor::ftp {

// timeoutMs bounds the connect and every wait of the session.
RemoteConnector SftpConnector(DWORD timeoutMs);

}  // namespace velmor::ftp

// The connections over TLS as the component makes them: the library's FTP
// client on Winsock and Schannel.
#pragma once

#include <windows.h>

#include "ftp/remote_connector.h"

namespace velmor::ftp {

// timeoutMs bounds every connect and every wait of a connection.
RemoteConnector SchannelTlsConnector(DWORD timeoutMs);

}  // namespace velmor::ftp

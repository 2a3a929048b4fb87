// The clients of connections over TLS as the component makes them: the
// library's FTP client on Winsock and Schannel.
#pragma once

#include "ftp/ftp_session.h"

namespace velmor::ftp {

// timeoutMs bounds every connect and every wait of a connection.
TlsApiFactory SchannelTlsFactory(DWORD timeoutMs);

}  // namespace velmor::ftp

// Winsock 2 comes before windows.h, which the header brings.
#include <winsock2.h>

#include "ftp/win/schannel_tls_factory.h"

#include "ftp/tls_ftp_api.h"
#include "ftp/win/schannel_network.h"

namespace velmor::ftp {

TlsApiFactory SchannelTlsFactory(DWORD timeoutMs) {
    return [timeoutMs](const std::optional<CertificatePin>& pin) {
        return std::make_shared<TlsFtpApi>(std::make_unique<SchannelNetwork>(pin, timeoutMs));
    };
}

}  // namespace velmor::ftp

// Winsock 2 comes before windows.h, which the header brings.
#include <winsock2.h>

#include "ftp/win/schannel_tls_factory.h"

#include "ftp/ftp_constants.h"
#include "ftp/tls_session.h"
#include "ftp/win/schannel_network.h"

namespace velmor::ftp {

RemoteConnector SchannelTlsConnector(DWORD timeoutMs) {
    return [timeoutMs](const ConnectRequest& request) {
        const ServerAddress& address = request.address;
        auto network = std::make_unique<SchannelNetwork>(address.pin, timeoutMs);
        SchannelNetwork& seen = *network;
        auto session = std::make_shared<TlsSession>(std::move(network));
        RemoteConnection connection;
        connection.outcome = session->Connect(address.host, address.port, address.passive,
                                              request.user, request.password);
        connection.fingerprint = seen.fingerprint();
        if (connection.outcome == RemoteOutcome::kOk) connection.session = std::move(session);
        return connection;
    };
}

}  // namespace velmor::ftp

// The FTP client's network over Winsock and Schannel. One object serves one
// session: its control connection and the data connections beside it, all on
// one credentials handle and one target name, so that the data connections
// resume the control connection's TLS session.
#pragma once

#include <winsock2.h>

#include <memory>
#include <optional>
#include <string>

#include "ftp/certificate_pin.h"
#include "ftp/core/network.h"
#include "ftp/win/socket_io.h"
#include "ftp/win/tls_channel.h"
#include "ftp/win/winsock_startup.h"

namespace velmor::ftp {

class SchannelNetwork final : public Network {
public:
    // With a pin, the certificate must have exactly that fingerprint; without
    // one, it must chain to a trusted root and match the host name. Every
    // connect, send, receive and accept waits at most timeoutMs.
    SchannelNetwork(std::optional<CertificatePin> pin, DWORD timeoutMs);

    std::unique_ptr<NetStream> Connect(const std::string& host, std::uint16_t port,
                                       NetStatus* status) override;
    std::unique_ptr<NetStream> ConnectData(std::uint16_t port, NetStatus* status) override;
    std::unique_ptr<NetListener> Listen(NetStatus* status) override;

    // The handshake over a connected socket and the certificate check.
    NetStatus Secure(TlsChannel& channel);
    DWORD timeoutMs() const { return timeoutMs_; }
    const SocketAddress& serverAddress() const { return server_; }
    // The SHA-256 fingerprint of the first certificate a server showed, as 64
    // upper-case hexadecimal digits; empty before any.
    const std::wstring& fingerprint() const { return fingerprint_; }

private:
    WinsockStartup winsock_;
    std::optional<CertificatePin> pin_;
    DWORD timeoutMs_;
    TlsCredentials credentials_;
    std::wstring hostName_;  // the target name of every handshake
    SocketAddress server_;   // the control connection's peer
    SocketAddress local_;    // and its local address
    std::wstring fingerprint_;
};

}  // namespace velmor::ftp

#include "ftp/win/schannel_network.h"

#include "ftp/text_encoding.h"
#include "ftp/win/certificate_check.h"

namespace velmor::ftp {
namespace {

class SchannelStream final : public NetStream {
public:
    SchannelStream(SchannelNetwork& network, ScopedSocket socket)
        : network_(network), socket_(std::move(socket)) {}

    NetStatus Send(const void* data, size_t size) override {
        if (!socket_) return NetStatus::kFailed;
        if (tls_) return tls_->Send(data, size);
        return SendAll(socket_.get(), data, size, network_.timeoutMs());
    }

    NetStatus Receive(void* buffer, size_t capacity, size_t* received) override {
        *received = 0;
        if (!socket_) return NetStatus::kFailed;
        if (tls_) return tls_->Receive(buffer, capacity, received);
        return ReceiveSome(socket_.get(), buffer, capacity, received, network_.timeoutMs());
    }

    NetStatus StartTls() override {
        if (!socket_ || tls_) return NetStatus::kFailed;
        tls_ = std::make_unique<TlsChannel>(socket_.get(), network_.timeoutMs());
        return network_.Secure(*tls_);
    }

    NetStatus Close() override {
        if (!socket_) return NetStatus::kOk;
        if (tls_) tls_->Shutdown();
        shutdown(socket_.get(), SD_SEND);
        tls_.reset();
        socket_.reset();
        return NetStatus::kOk;
    }

private:
    SchannelNetwork& network_;
    ScopedSocket socket_;
    std::unique_ptr<TlsChannel> tls_;  // set by StartTls
};

class SchannelListener final : public NetListener {
public:
    SchannelListener(SchannelNetwork& network, ScopedSocket socket, const SocketAddress& bound)
        : network_(network), socket_(std::move(socket)), bound_(bound) {}

    std::string AddressText() const override { return bound_.HostText(); }
    std::uint16_t Port() const override { return bound_.port(); }
    bool IsIpv6() const override { return bound_.IsV6(); }

    std::unique_ptr<NetStream> Accept(NetStatus* status) override {
        ScopedSocket accepted;
        *status =
            AcceptFrom(socket_.get(), network_.serverAddress(), network_.timeoutMs(), accepted);
        if (*status != NetStatus::kOk) return nullptr;
        socket_.reset();  // one data connection per listener
        return std::make_unique<SchannelStream>(network_, std::move(accepted));
    }

private:
    SchannelNetwork& network_;
    ScopedSocket socket_;
    SocketAddress bound_;
};

}  // namespace

SchannelNetwork::SchannelNetwork(std::optional<CertificatePin> pin, DWORD timeoutMs)
    : pin_(pin), timeoutMs_(timeoutMs) {}

std::unique_ptr<NetStream> SchannelNetwork::Connect(const std::string& host, std::uint16_t port,
                                                    NetStatus* status) {
    if (!winsock_.started()) {
        *status = NetStatus::kFailed;
        return nullptr;
    }
    hostName_ = DecodeText(CP_UTF8, host);
    ScopedSocket socket;
    *status = ConnectToHost(hostName_, port, timeoutMs_, socket);
    if (*status != NetStatus::kOk) return nullptr;
    if (!PeerAddressOf(socket.get(), server_) || !LocalAddressOf(socket.get(), local_)) {
        *status = NetStatus::kFailed;
        return nullptr;
    }
    return std::make_unique<SchannelStream>(*this, std::move(socket));
}

std::unique_ptr<NetStream> SchannelNetwork::ConnectData(std::uint16_t port, NetStatus* status) {
    if (server_.length == 0) {
        *status = NetStatus::kFailed;
        return nullptr;
    }
    SocketAddress address = server_;
    address.set_port(port);
    ScopedSocket socket;
    *status = ConnectToAddress(address, timeoutMs_, socket);
    if (*status != NetStatus::kOk) return nullptr;
    return std::make_unique<SchannelStream>(*this, std::move(socket));
}

std::unique_ptr<NetListener> SchannelNetwork::Listen(NetStatus* status) {
    ScopedSocket socket;
    SocketAddress bound;
    *status = local_.length == 0 ? NetStatus::kFailed : ListenOn(local_, socket, bound);
    if (*status != NetStatus::kOk) return nullptr;
    return std::make_unique<SchannelListener>(*this, std::move(socket), bound);
}

NetStatus SchannelNetwork::Secure(TlsChannel& channel) {
    if (!credentials_.valid() && !credentials_.Acquire()) {
        return NetStatus::kFailed;
    }
    const NetStatus status = channel.Handshake(credentials_, hostName_);
    if (status != NetStatus::kOk) return status;
    // Every connection is checked, resumed or not: a data connection that
    // did not resume has made a handshake of its own.
    const ScopedCertContext certificate = channel.ServerCertificate();
    if (!certificate) return NetStatus::kCertificate;
    CertificatePin digest{};
    if (fingerprint_.empty() && CertificateFingerprint(certificate.get(), digest)) {
        static const wchar_t kHex[] = L"0123456789ABCDEF";
        for (const std::uint8_t byte : digest) {
            fingerprint_ += kHex[byte >> 4];
            fingerprint_ += kHex[byte & 15];
        }
    }
    const bool accepted = pin_ ? CertificateMatchesPin(certificate.get(), *pin_)
                               : CertificateTrustedFor(certificate.get(), hostName_);
    return accepted ? NetStatus::kOk : NetStatus::kCertificate;
}

}  // namespace velmor::ftp

// The transport the FTP client runs over: TCP connections that can switch to
// TLS, a listener for active-mode data connections, and the factory that makes
// them for one session. The client knows nothing else of sockets or TLS; the
// Windows implementation sits on Winsock and Schannel, tests use scripted
// doubles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace velmor::ftp {

enum class NetStatus {
    kOk,
    // The operation did not complete within the implementation's time bound.
    kTimedOut,
    // The peer ended the stream in order (for Receive: no more bytes).
    kClosed,
    // Any other failure of the socket or the TLS layer.
    kFailed,
    // The host name did not resolve (Connect only).
    kNameNotResolved,
    // The handshake completed but the server's certificate failed the chain,
    // name or pin check (StartTls only).
    kCertificate,
    // The peer refused or broke the TLS handshake (StartTls only).
    kTlsRefused,
};

// One TCP connection, plain until StartTls succeeds, encrypted from then on.
// Every call returns within the implementation's time bound. After any status
// other than kOk the stream is unusable except for Close and destruction.
class NetStream {
public:
    virtual ~NetStream() = default;
    // Sends all `size` bytes, or fails.
    virtual NetStatus Send(const void* data, size_t size) = 0;
    // Waits for at least one byte and stores up to `capacity` bytes; kOk means
    // *received >= 1. kClosed at the end of the stream, with *received 0: after
    // the peer's close_notify, or a TCP end after TLS data (servers that skip
    // close_notify on data connections are common; the client takes the
    // server's final reply as proof that a transfer is whole).
    virtual NetStatus Receive(void* buffer, size_t capacity, size_t* received) = 0;
    // The client side of a TLS handshake over this connection. On the control
    // connection the server's certificate is checked; a data connection resumes
    // the control connection's TLS session (the implementation knows which kind
    // this stream is). Called at most once, with no unread bytes pending.
    virtual NetStatus StartTls() = 0;
    // Orderly end: TLS close_notify when encrypted, then TCP shutdown. Does not
    // wait for the peer's remaining data. Destruction without Close closes the
    // socket without the orderly end.
    virtual NetStatus Close() = 0;
};

// A listening socket for one active-mode data connection, on the control
// connection's local address.
class NetListener {
public:
    virtual ~NetListener() = default;
    // The local address to announce: dotted IPv4 ("192.0.2.7") or IPv6 text
    // without brackets or zone ("2001:db8::7").
    virtual std::string AddressText() const = 0;
    virtual std::uint16_t Port() const = 0;
    virtual bool IsIpv6() const = 0;
    // Waits for the server's connection (which should come from the control
    // connection's peer); null with the reason in *status.
    virtual std::unique_ptr<NetStream> Accept(NetStatus* status) = 0;
};

// Makes the connections of one FTP session. Connect opens the control
// connection; ConnectData and Listen refer to the last control connection it
// made. Streams and listeners it hands out must be destroyed before it.
// Every operation is bounded in time by the implementation and reports
// kTimedOut when the bound passes.
class Network {
public:
    virtual ~Network() = default;
    // The control connection to `host` (UTF-8 name or address text); null with
    // the reason in *status (kNameNotResolved, kTimedOut, kFailed).
    virtual std::unique_ptr<NetStream> Connect(const std::string& host, std::uint16_t port,
                                               NetStatus* status) = 0;
    // A data connection to `port` on the control connection's peer address.
    // Never to an address taken from a server reply (the FTP bounce and PASV
    // redirection attacks).
    virtual std::unique_ptr<NetStream> ConnectData(std::uint16_t port, NetStatus* status) = 0;
    // A listener for an active-mode data connection.
    virtual std::unique_ptr<NetListener> Listen(NetStatus* status) = 0;
};

}  // namespace velmor::ftp

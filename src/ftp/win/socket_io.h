// Blocking-style socket work over non-blocking Winsock sockets: every connect,
// send, receive and accept waits at most the given time.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstddef>
#include <string>

#include "base/win/handle_traits.h"
#include "ftp/core/network.h"

namespace velmor::ftp {

struct SocketAddress {
    sockaddr_storage storage{};
    int length = 0;

    unsigned short port() const;
    void set_port(unsigned short port);
    bool SameHost(const SocketAddress& other) const;
    // The numeric text of the host ("127.0.0.1", "::1").
    std::string HostText() const;
    bool IsV6() const { return storage.ss_family == AF_INET6; }
};

// Resolves the host and connects to the first address that answers.
NetStatus ConnectToHost(const std::wstring& host, unsigned short port, DWORD timeoutMs,
                        ScopedSocket& connected);
NetStatus ConnectToAddress(const SocketAddress& address, DWORD timeoutMs, ScopedSocket& connected);

NetStatus SendAll(SOCKET socket, const void* data, size_t size, DWORD timeoutMs);
// Receives at least one byte; kClosed when the peer has ended the stream.
NetStatus ReceiveSome(SOCKET socket, void* buffer, size_t capacity, size_t* received,
                      DWORD timeoutMs);

bool LocalAddressOf(SOCKET socket, SocketAddress& address);
bool PeerAddressOf(SOCKET socket, SocketAddress& address);

// A listening socket on the given address with a port the system picks.
NetStatus ListenOn(const SocketAddress& local, ScopedSocket& listener, SocketAddress& bound);
// Accepts one connection, from the given host only: connections of other
// hosts are refused and the wait goes on.
NetStatus AcceptFrom(SOCKET listener, const SocketAddress& host, DWORD timeoutMs,
                     ScopedSocket& accepted);

}  // namespace velmor::ftp

#include "ftp/win/socket_io.h"

#include <cstring>

namespace velmor::ftp {
namespace {

enum class Wait { kRead, kWrite };

bool MakeNonBlocking(SOCKET socket) {
    u_long on = 1;
    return ioctlsocket(socket, FIONBIO, &on) == 0;
}

// Waits until the socket can be read (or accepted from) or written to.
NetStatus WaitFor(SOCKET socket, Wait wait, DWORD timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(socket, &failed);
    timeval limit{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    const int ready = select(0, wait == Wait::kRead ? &set : nullptr,
                             wait == Wait::kWrite ? &set : nullptr, &failed, &limit);
    if (ready == 0) return NetStatus::kTimedOut;
    if (ready < 0 || FD_ISSET(socket, &failed)) return NetStatus::kFailed;
    return NetStatus::kOk;
}

}  // namespace

unsigned short SocketAddress::port() const {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&storage);
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&storage);
    return ntohs(IsV6() ? v6->sin6_port : v4->sin_port);
}

void SocketAddress::set_port(unsigned short port) {
    if (IsV6()) {
        reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port = htons(port);
    } else {
        reinterpret_cast<sockaddr_in*>(&storage)->sin_port = htons(port);
    }
}

bool SocketAddress::SameHost(const SocketAddress& other) const {
    if (storage.ss_family != other.storage.ss_family) return false;
    if (IsV6()) {
        return std::memcmp(&reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_addr,
                           &reinterpret_cast<const sockaddr_in6*>(&other.storage)->sin6_addr,
                           sizeof(in6_addr)) == 0;
    }
    return reinterpret_cast<const sockaddr_in*>(&storage)->sin_addr.s_addr ==
           reinterpret_cast<const sockaddr_in*>(&other.storage)->sin_addr.s_addr;
}

std::string SocketAddress::HostText() const {
    char text[NI_MAXHOST] = {};
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&storage), length, text, sizeof text, nullptr,
                    0, NI_NUMERICHOST) != 0) {
        return std::string();
    }
    return text;
}

NetStatus ConnectToAddress(const SocketAddress& address, DWORD timeoutMs, ScopedSocket& connected) {
    ScopedSocket socket(::socket(address.storage.ss_family, SOCK_STREAM, IPPROTO_TCP));
    if (!socket || !MakeNonBlocking(socket.get())) return NetStatus::kFailed;
    if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&address.storage),
                address.length) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) return NetStatus::kFailed;
        const NetStatus status = WaitFor(socket.get(), Wait::kWrite, timeoutMs);
        if (status != NetStatus::kOk) return status;
        int error = 0;
        int size = sizeof error;
        if (getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                       &size) != 0 ||
            error != 0) {
            return NetStatus::kFailed;
        }
    }
    const BOOL noDelay = TRUE;
    setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    connected = std::move(socket);
    return NetStatus::kOk;
}

NetStatus ConnectToHost(const std::wstring& host, unsigned short port, DWORD timeoutMs,
                        ScopedSocket& connected) {
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    ADDRINFOW* found = nullptr;
    const std::wstring service = std::to_wstring(port);
    if (GetAddrInfoW(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) {
        return NetStatus::kNameNotResolved;
    }
    // The addresses share one time bound.
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    NetStatus status = NetStatus::kFailed;
    for (const ADDRINFOW* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            status = NetStatus::kTimedOut;
            break;
        }
        SocketAddress address;
        std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
        address.length = static_cast<int>(entry->ai_addrlen);
        status = ConnectToAddress(address, static_cast<DWORD>(end - now), connected);
        if (status == NetStatus::kOk) break;
    }
    FreeAddrInfoW(found);
    return status;
}

NetStatus SendAll(SOCKET socket, const void* data, size_t size, DWORD timeoutMs) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const int piece = size > 0x100000 ? 0x100000 : static_cast<int>(size);
        const int sent = send(socket, next, piece, 0);
        if (sent > 0) {
            next += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && WSAGetLastError() != WSAEWOULDBLOCK) {
            return NetStatus::kFailed;
        }
        const NetStatus status = WaitFor(socket, Wait::kWrite, timeoutMs);
        if (status != NetStatus::kOk) return status;
    }
    return NetStatus::kOk;
}

NetStatus ReceiveSome(SOCKET socket, void* buffer, size_t capacity, size_t* received,
                      DWORD timeoutMs) {
    *received = 0;
    const int piece = capacity > 0x100000 ? 0x100000 : static_cast<int>(capacity);
    for (;;) {
        const int got = recv(socket, static_cast<char*>(buffer), piece, 0);
        if (got > 0) {
            *received = static_cast<size_t>(got);
            return NetStatus::kOk;
        }
        if (got == 0) return NetStatus::kClosed;
        const int error = WSAGetLastError();
        if (error == WSAECONNRESET || error == WSAECONNABORTED) {
            return NetStatus::kClosed;
        }
        if (error != WSAEWOULDBLOCK) return NetStatus::kFailed;
        const NetStatus status = WaitFor(socket, Wait::kRead, timeoutMs);
        if (status != NetStatus::kOk) return status;
    }
}

bool LocalAddressOf(SOCKET socket, SocketAddress& address) {
    address.length = sizeof address.storage;
    return getsockname(socket, reinterpret_cast<sockaddr*>(&address.storage), &address.length) == 0;
}

bool PeerAddressOf(SOCKET socket, SocketAddress& address) {
    address.length = sizeof address.storage;
    return getpeername(socket, reinterpret_cast<sockaddr*>(&address.storage), &address.length) == 0;
}

NetStatus ListenOn(const SocketAddress& local, ScopedSocket& listener, SocketAddress& bound) {
    ScopedSocket socket(::socket(local.storage.ss_family, SOCK_STREAM, IPPROTO_TCP));
    if (!socket || !MakeNonBlocking(socket.get())) return NetStatus::kFailed;
    SocketAddress any = local;
    any.set_port(0);
    if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&any.storage), any.length) != 0 ||
        listen(socket.get(), 1) != 0 || !LocalAddressOf(socket.get(), bound)) {
        return NetStatus::kFailed;
    }
    listener = std::move(socket);
    return NetStatus::kOk;
}

NetStatus AcceptFrom(SOCKET listener, const SocketAddress& host, DWORD timeoutMs,
                     ScopedSocket& accepted) {
    // Refused connections do not extend the wait.
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return NetStatus::kTimedOut;
        const NetStatus status = WaitFor(listener, Wait::kRead, static_cast<DWORD>(end - now));
        if (status != NetStatus::kOk) return status;
        SocketAddress peer;
        peer.length = sizeof peer.storage;
        ScopedSocket socket(
            accept(listener, reinterpret_cast<sockaddr*>(&peer.storage), &peer.length));
        if (!socket) {
            if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
            return NetStatus::kFailed;
        }
        if (!peer.SameHost(host)) continue;  // not the server: refused
        if (!MakeNonBlocking(socket.get())) return NetStatus::kFailed;
        accepted = std::move(socket);
        return NetStatus::kOk;
    }
}

}  // namespace velmor::ftp

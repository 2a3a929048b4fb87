// TLS over one connected socket through SSPI/Schannel, as the client: the
// handshake, then application data both ways, then close_notify.
//
// Every connection of one FTP session uses the same credentials handle and
// the same target name, so Schannel's session cache lets the data
// connections resume the control connection's session.
#pragma once

#include <winsock2.h>
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <security.h>

#include <cstddef>
#include <string>
#include <vector>

#include "base/win/handle_traits.h"
#include "ftp/core/network.h"

namespace velmor::ftp {

// Client credentials offering TLS 1.2 and later only; the server's
// certificate is left to the caller to check after the handshake.
class TlsCredentials {
public:
    // False when Schannel gives no credentials.
    bool Acquire();
    bool valid() const { return handle_.valid(); }
    CredHandle get() const { return handle_.get(); }

private:
    ScopedCredentials handle_;
};

class TlsChannel {
public:
    TlsChannel(SOCKET socket, DWORD timeoutMs) : socket_(socket), timeoutMs_(timeoutMs) {}

    // kTlsRefused when the server does not complete a handshake or agrees on
    // a protocol older than TLS 1.2.
    NetStatus Handshake(const TlsCredentials& credentials, const std::wstring& targetName);
    // The certificate the server presented; null when none.
    ScopedCertContext ServerCertificate() const;

    NetStatus Send(const void* data, size_t size);
    // At least one byte of plain text; kClosed after the server's close_notify
    // or the end of the stream.
    NetStatus Receive(void* buffer, size_t capacity, size_t* received);
    // Sends close_notify; the socket stays open.
    void Shutdown();

private:
    NetStatus RunHandshake();
    NetStatus SendToken(SecBuffer& token);
    NetStatus ReadMore();
    bool NegotiatedModernProtocol();

    SOCKET socket_;
    DWORD timeoutMs_;
    CredHandle credentials_{};
    std::wstring target_;
    ScopedSecurityContext context_;
    SecPkgContext_StreamSizes sizes_{};
    std::vector<char> incoming_;  // received bytes not yet decrypted
    std::vector<char> plain_;     // decrypted bytes not yet handed out
    size_t plainOffset_ = 0;
    bool closed_ = false;
};

}  // namespace velmor::ftp

// The server text of Connect: "host[:piece[:piece]]", where each piece gives a
// port number or a transfer mode ("A..." active, "P..." passive). A piece
// "TLS" (any case) among the second to fourth asks for FTP over TLS, and
// "TLS=" with 64 hexadecimal digits pins the server certificate's SHA-256
// fingerprint as well; neither reads as a port or a mode. A piece "SFTP"
// asks for SFTP (port 22 unless a piece gives one); "SFTP=" pins the host
// key's fingerprint in OpenSSH's form ("SHA256:" and unpadded base64), and
// since that holds a colon, such a piece runs to the end of the text.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <optional>
#include <string>

#include "ftp/certificate_pin.h"

namespace velmor::ftp {

struct ServerAddress {
    std::wstring host;  // empty when the text holds no host piece
    INTERNET_PORT port = 21;
    bool passive = true;
    bool tls = false;
    // A "TLS=" piece whose fingerprint is not 64 hexadecimal digits: the text
    // asks for TLS with a pin that nothing can match.
    bool badPin = false;
    std::optional<CertificatePin> pin;
    bool sftp = false;
    // The text after "SFTP=", as given; empty: no pin.
    std::wstring hostKeyPin;
};

ServerAddress ParseServerText(const std::wstring& server);

}  // namespace velmor::ftp

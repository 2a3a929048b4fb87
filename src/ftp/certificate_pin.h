// The SHA-256 fingerprint a connection over TLS may pin the server's
// certificate to.
#pragma once

#include <array>
#include <cstdint>

namespace velmor::ftp {

using CertificatePin = std::array<std::uint8_t, 32>;

}  // namespace velmor::ftp

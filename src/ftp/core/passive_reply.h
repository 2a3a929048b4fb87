// The data port from a 227 (PASV) or 229 (EPSV) reply. Only the port is
// taken: the client connects to the control connection's peer, whatever host
// a PASV reply names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmor::ftp {

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)", parentheses optional: the
// first run of exactly six comma-separated numbers 0..255 after the code.
// Port 0 is not a port.
std::optional<std::uint16_t> ParsePassivePort(const std::string& replyLine);

// "229 Entering Extended Passive Mode (|||port|)": a delimiter character
// repeated around two empty fields and the port, inside parentheses.
std::optional<std::uint16_t> ParseExtendedPassivePort(const std::string& replyLine);

}  // namespace velmor::ftp

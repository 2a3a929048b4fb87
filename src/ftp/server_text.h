// The server text of Connect: "host[:piece[:piece]]", where each piece gives a
// port number or a transfer mode ("A..." active, "P..." passive).
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

namespace velmor::ftp {

struct ServerAddress {
  std::wstring host;  // empty when the text holds no host piece
  INTERNET_PORT port = 21;
  bool passive = true;
};

ServerAddress ParseServerText(const std::wstring& server);

}  // namespace velmor::ftp

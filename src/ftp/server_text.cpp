#include "ftp/server_text.h"

#include <cstdlib>
#include <vector>

#include "ftp/ftp_constants.h"

namespace velmor::ftp {
namespace {

// Splits at ":" the way wcstok does: runs of separators count as one and
// empty pieces are dropped.
std::vector<std::wstring> SplitPieces(const std::wstring& text) {
  std::vector<std::wstring> pieces;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(L':', pos);
    if (end == std::wstring::npos) end = text.size();
    if (end > pos) pieces.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return pieces;
}

void ApplyPiece(const std::wstring& piece, ServerAddress& address) {
  const wchar_t first = piece[0];
  if (first == L'A' || first == L'a') address.passive = false;
  if (first == L'P' || first == L'p') address.passive = true;
  // The C runtime's own conversion: leading blanks, sign, digits, junk after.
  const int number = _wtoi(piece.c_str());
  if (number != 0) address.port = static_cast<INTERNET_PORT>(number);
}

}  // namespace

ServerAddress ParseServerText(const std::wstring& server) {
  ServerAddress address;
  address.port = kDefaultFtpPort;
  // The text ends at an embedded null, as a C string would.
  const std::vector<std::wstring> pieces =
      SplitPieces(server.substr(0, server.find(L'\0')));
  if (pieces.empty()) return address;
  address.host = pieces[0];
  for (size_t i = 1; i < pieces.size() && i < 3; ++i) {
    ApplyPiece(pieces[i], address);
  }
  return address;
}

}  // namespace velmor::ftp

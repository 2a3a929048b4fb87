#include "ftp/server_text.h"

#include <cstdlib>
#include <cwctype>
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

bool EqualsNoCase(const std::wstring& text, size_t pos, const wchar_t* word) {
    for (size_t i = 0; word[i] != L'\0'; ++i) {
        if (pos + i >= text.size() || towupper(text[pos + i]) != word[i]) return false;
    }
    return true;
}

// Where a ":SFTP=" piece starts in the text, or npos.
size_t FindSftpPin(const std::wstring& text) {
    for (size_t pos = text.find(L':'); pos != std::wstring::npos; pos = text.find(L':', pos + 1)) {
        if (EqualsNoCase(text, pos + 1, L"SFTP=")) return pos;
    }
    return std::wstring::npos;
}

bool StartsWithTls(const std::wstring& piece) {
    return piece.size() >= 3 && (piece[0] == L'T' || piece[0] == L't') &&
           (piece[1] == L'L' || piece[1] == L'l') && (piece[2] == L'S' || piece[2] == L's');
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

std::optional<CertificatePin> ParsePin(const std::wstring& hex) {
    CertificatePin pin{};
    if (hex.size() != pin.size() * 2) return std::nullopt;
    for (size_t i = 0; i < pin.size(); ++i) {
        const int high = HexDigit(hex[2 * i]);
        const int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        pin[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return pin;
}

// True for a piece that asks for TLS, with what it says.
bool ApplyTlsPiece(const std::wstring& piece, ServerAddress& address) {
    if (!StartsWithTls(piece)) return false;
    if (piece.size() == 3) {
        address.tls = true;
        return true;
    }
    if (piece[3] != L'=') return false;
    address.tls = true;
    address.pin = ParsePin(piece.substr(4));
    address.badPin = !address.pin;
    return true;
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
    address.port = 0;
    // The text ends at an embedded null, as a C string would.
    std::wstring text = server.substr(0, server.find(L'\0'));
    const size_t pinStart = FindSftpPin(text);
    if (pinStart != std::wstring::npos) {
        address.sftp = true;
        address.hostKeyPin = text.substr(pinStart + 6);
        text.resize(pinStart);
    }
    const std::vector<std::wstring> pieces = SplitPieces(text);
    if (!pieces.empty()) address.host = pieces[0];
    for (size_t i = 1; i < pieces.size() && i < 4; ++i) {
        if (ApplyTlsPiece(pieces[i], address)) continue;
        if (pieces[i].size() == 4 && EqualsNoCase(pieces[i], 0, L"SFTP")) {
            address.sftp = true;
            continue;
        }
        if (i < 3) ApplyPiece(pieces[i], address);
    }
    if (address.port == 0) address.port = address.sftp ? kDefaultSftpPort : kDefaultFtpPort;
    return address;
}

}  // namespace velmor::ftp

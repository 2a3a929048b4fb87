#include "ftp/core/passive_reply.h"

namespace velmor::ftp {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads 1 to `maxDigits` digits at `pos`; false when there are none or more.
bool ReadNumber(const std::string& text, size_t* pos, size_t maxDigits, unsigned* value) {
    size_t digits = 0;
    unsigned result = 0;
    while (*pos < text.size() && IsDigit(text[*pos])) {
        if (++digits > maxDigits) return false;
        result = result * 10 + static_cast<unsigned>(text[*pos] - '0');
        ++*pos;
    }
    *value = result;
    return digits > 0;
}

// Exactly six numbers 0..255 separated by commas from `pos`: the port of the
// last two, or 0.
unsigned SixNumbersPort(const std::string& text, size_t pos) {
    unsigned numbers[6];
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',') return 0;
            ++pos;
        }
        if (!ReadNumber(text, &pos, 3, &numbers[i]) || numbers[i] > 255) return 0;
    }
    if (pos < text.size() && (IsDigit(text[pos]) || text[pos] == ',')) return 0;
    return numbers[4] * 256 + numbers[5];
}

}  // namespace

std::optional<std::uint16_t> ParsePassivePort(const std::string& replyLine) {
    for (size_t pos = 3; pos < replyLine.size(); ++pos) {
        const char before = replyLine[pos - 1];
        if (!IsDigit(replyLine[pos]) || IsDigit(before) || before == ',') continue;
        const unsigned port = SixNumbersPort(replyLine, pos);
        if (port != 0) return static_cast<std::uint16_t>(port);
    }
    return std::nullopt;
}

std::optional<std::uint16_t> ParseExtendedPassivePort(const std::string& replyLine) {
    for (size_t open = replyLine.find('('); open != std::string::npos;
         open = replyLine.find('(', open + 1)) {
        size_t pos = open + 1;
        if (pos + 3 > replyLine.size()) break;
        const char delimiter = replyLine[pos];
        if (delimiter < 33 || delimiter > 126 || IsDigit(delimiter) ||
            replyLine[pos + 1] != delimiter || replyLine[pos + 2] != delimiter) {
            continue;
        }
        pos += 3;
        unsigned port = 0;
        if (!ReadNumber(replyLine, &pos, 5, &port) || port == 0 || port > 65535) {
            continue;
        }
        if (pos + 1 < replyLine.size() && replyLine[pos] == delimiter &&
            replyLine[pos + 1] == ')') {
            return static_cast<std::uint16_t>(port);
        }
    }
    return std::nullopt;
}

}  // namespace velmor::ftp

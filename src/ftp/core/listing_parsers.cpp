#include "ftp/core/listing_parsers.h"

#include <cstring>
#include <utility>
#include <vector>

namespace velmor::ftp {
namespace {

using Token = std::pair<size_t, size_t>;  // begin, end

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool EqualsNoCase(const std::string& text, const char* word) {
    const size_t length = std::strlen(word);
    if (text.size() != length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (Lower(text[i]) != Lower(word[i])) return false;
    }
    return true;
}

// All decimal digits and within 64 bits.
bool ParseSize(const std::string& text, std::uint64_t* value) {
    if (text.empty()) return false;
    std::uint64_t result = 0;
    for (char c : text) {
        if (!IsDigit(c)) return false;
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (result > (UINT64_MAX - digit) / 10) return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}

// `text` matches `pattern`, where '9' stands for any digit and every other
// character for itself.
bool Shaped(const std::string& text, const char* pattern) {
    if (text.size() != std::strlen(pattern)) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (pattern[i] == '9' ? !IsDigit(text[i]) : text[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

std::vector<Token> Tokens(const std::string& line) {
    std::vector<Token> tokens;
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos == line.size()) break;
        const size_t begin = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') ++pos;
        tokens.emplace_back(begin, pos);
    }
    return tokens;
}

bool IsMonth(const std::string& text) {
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    for (const char* month : kMonths) {
        if (EqualsNoCase(text, month)) return true;
    }
    return false;
}

bool IsDay(const std::string& text) { return Shaped(text, "9") || Shaped(text, "99"); }

bool IsTimeOrYear(const std::string& text) {
    return Shaped(text, "99:99") || Shaped(text, "9:99") || Shaped(text, "9999");
}

bool IsUnixMode(const std::string& text) {
    if (text.size() < 10 || std::strchr("-dlbcpsD", text[0]) == nullptr) {
        return false;
    }
    for (size_t i = 1; i < 10; ++i) {
        if (std::strchr("-rwxsStTlL", text[i]) == nullptr) return false;
    }
    return true;
}

std::optional<RemoteEntry> UnixEntry(const std::string& line, const std::vector<Token>& tokens) {
    auto text = [&](size_t i) {
        return line.substr(tokens[i].first, tokens[i].second - tokens[i].first);
    };
    if (tokens.empty() || !IsUnixMode(text(0))) return std::nullopt;
    for (size_t i = 2; i + 1 < tokens.size(); ++i) {
        size_t last = 0;  // the date's last token
        if (i + 2 < tokens.size() && IsMonth(text(i)) && IsDay(text(i + 1)) &&
            IsTimeOrYear(text(i + 2))) {
            last = i + 2;
        } else if (Shaped(text(i), "9999-99-99") &&
                   (Shaped(text(i + 1), "99:99") || Shaped(text(i + 1), "99:99:99"))) {
            last = i + 1;
        } else {
            continue;
        }
        RemoteEntry entry;
        if (!ParseSize(text(i - 1), &entry.size)) continue;
        entry.sizeKnown = true;
        // One blank separates the date from the name, which may hold blanks.
        const size_t nameStart = tokens[last].second + 1;
        if (nameStart >= line.size()) return std::nullopt;
        entry.name = line.substr(nameStart);
        entry.isDirectory = line[0] == 'd';
        entry.isLink = line[0] == 'l';
        if (line[0] == 'l') {
            const size_t arrow = entry.name.find(" -> ");
            if (arrow == 0) return std::nullopt;
            if (arrow != std::string::npos) entry.name.resize(arrow);
        }
        return entry;
    }
    return std::nullopt;
}

std::optional<RemoteEntry> DosEntry(const std::string& line, const std::vector<Token>& tokens) {
    if (tokens.size() < 4) return std::nullopt;
    auto text = [&](size_t i) {
        return line.substr(tokens[i].first, tokens[i].second - tokens[i].first);
    };
    const std::string date = text(0);
    if (!Shaped(date, "99-99-99") && !Shaped(date, "99-99-9999") && !Shaped(date, "99/99/99") &&
        !Shaped(date, "99/99/9999")) {
        return std::nullopt;
    }
    std::string time = text(1);
    if (time.size() > 2) {
        const std::string suffix = time.substr(time.size() - 2);
        if (EqualsNoCase(suffix, "am") || EqualsNoCase(suffix, "pm")) {
            time.resize(time.size() - 2);
        }
    }
    if (!Shaped(time, "99:99") && !Shaped(time, "9:99")) return std::nullopt;
    RemoteEntry entry;
    const std::string third = text(2);
    if (third == "<DIR>") {
        entry.isDirectory = true;
    } else if (ParseSize(third, &entry.size)) {
        entry.sizeKnown = true;
    } else {
        return std::nullopt;
    }
    entry.name = line.substr(tokens[3].first);
    return entry;
}

}  // namespace

std::string ModifyTime(const std::string& value) {
    const std::string digits = value.substr(0, value.find('.'));
    if (!Shaped(digits, "99999999999999")) return std::string();
    return digits.substr(0, 4) + "-" + digits.substr(4, 2) + "-" + digits.substr(6, 2) + " " +
           digits.substr(8, 2) + ":" + digits.substr(10, 2) + ":" + digits.substr(12, 2);
}

std::string ModifyFact(const std::string& utc) {
    if (!Shaped(utc, "9999-99-99 99:99:99")) return std::string();
    std::string digits;
    for (char c : utc) {
        if (c >= '0' && c <= '9') digits += c;
    }
    return digits;
}

FtpFeatures ParseFeatures(const FtpReply& reply) {
    FtpFeatures features;
    if (reply.code != 211) return features;
    for (const std::string& line : reply.lines) {
        if (line.empty() || line[0] != ' ') continue;
        const std::vector<Token> tokens = Tokens(line);
        if (tokens.empty()) continue;
        const std::string name = line.substr(tokens[0].first, tokens[0].second - tokens[0].first);
        if (EqualsNoCase(name, "UTF8")) {
            features.utf8 = true;
        } else if (EqualsNoCase(name, "EPSV")) {
            features.epsv = true;
        } else if (EqualsNoCase(name, "SIZE")) {
            features.size = true;
        } else if (EqualsNoCase(name, "MDTM")) {
            features.mdtm = true;
        } else if (EqualsNoCase(name, "MFMT")) {
            features.mfmt = true;
        } else if (EqualsNoCase(name, "MLST")) {
            features.mlst = true;
            // "type*;size*;modify;": the facts marked with '*' are on.
            const std::string facts =
                tokens.size() > 1 ? line.substr(tokens[1].first) : std::string();
            size_t begin = 0;
            while (begin < facts.size()) {
                size_t end = facts.find(';', begin);
                if (end == std::string::npos) end = facts.size();
                if (EqualsNoCase(facts.substr(begin, end - begin), "size*")) {
                    features.mlstSize = true;
                }
                begin = end + 1;
            }
        }
    }
    return features;
}

std::optional<RemoteEntry> ParseMlstEntry(const std::string& line) {
    size_t pos = !line.empty() && line[0] == ' ' ? 1 : 0;
    const size_t blank = line.find(' ', pos);
    if (blank == std::string::npos || blank == pos) return std::nullopt;
    RemoteEntry entry;
    entry.name = line.substr(blank + 1);
    if (entry.name.empty()) return std::nullopt;
    while (pos < blank) {
        size_t end = line.find(';', pos);
        if (end == std::string::npos || end > blank) end = blank;
        const std::string fact = line.substr(pos, end - pos);
        pos = end + 1;
        if (fact.empty()) continue;
        const size_t equals = fact.find('=');
        if (equals == std::string::npos || equals == 0) return std::nullopt;
        const std::string key = fact.substr(0, equals);
        const std::string value = fact.substr(equals + 1);
        if (EqualsNoCase(key, "type")) {
            entry.isCurrentOrParent = EqualsNoCase(value, "cdir") || EqualsNoCase(value, "pdir");
            entry.isDirectory = EqualsNoCase(value, "dir") || entry.isCurrentOrParent;
            // "OS.unix=symlink", "OS.unix=slink:target"
            entry.isLink = value.size() > 8 && EqualsNoCase(value.substr(0, 8), "os.unix=") &&
                           value.find("link") != std::string::npos;
        } else if (EqualsNoCase(key, "modify")) {
            entry.modified = ModifyTime(value);
        } else if (EqualsNoCase(key, "size")) {
            entry.sizeKnown = ParseSize(value, &entry.size);
            if (!entry.sizeKnown) entry.size = 0;
        }
    }
    return entry;
}

std::optional<RemoteEntry> ParseListLine(const std::string& line) {
    const std::vector<Token> tokens = Tokens(line);
    if (std::optional<RemoteEntry> entry = UnixEntry(line, tokens)) return entry;
    return DosEntry(line, tokens);
}

}  // namespace velmor::ftp

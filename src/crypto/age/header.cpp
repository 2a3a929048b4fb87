#include "crypto/age/header.h"

#include <cstring>

#include "crypto/age/base64.h"

namespace velmor::crypto::age {

namespace {

constexpr std::size_t kColumns = 64;

bool IsArgumentChar(uint8_t c) { return c >= 33 && c <= 126; }

// Reads one line ending in '\n' at *offset; false when no '\n' follows in data.
bool NextLine(const uint8_t* data, std::size_t size, std::size_t* offset, const char** line,
              std::size_t* length) {
    const void* end = std::memchr(data + *offset, '\n', size - *offset);
    if (end == nullptr) return false;
    *line = reinterpret_cast<const char*>(data + *offset);
    *length = static_cast<std::size_t>(static_cast<const uint8_t*>(end) - (data + *offset));
    *offset += *length + 1;
    return true;
}

// Splits "a b c" into its arguments; false for empty ones or characters outside VCHAR.
bool SplitArguments(const char* text, std::size_t length, std::vector<std::string>* parts) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= length; ++i) {
        if (i == length || text[i] == ' ') {
            if (i == start) return false;
            parts->emplace_back(text + start, i - start);
            start = i + 1;
        } else if (!IsArgumentChar(static_cast<uint8_t>(text[i]))) {
            return false;
        }
    }
    return true;
}

AgeStatus Incomplete(std::size_t size) {
    return size >= kMaxHeaderSize ? AgeStatus::kDamaged : AgeStatus::kIncomplete;
}

}  // namespace

AgeStatus ParseHeader(const uint8_t* data, std::size_t size, Header* header) {
    if (size > kMaxHeaderSize) size = kMaxHeaderSize;
    header->stanzas.clear();
    if (size == 0) return AgeStatus::kIncomplete;
    std::size_t offset = 0;
    const char* line = nullptr;
    std::size_t length = 0;
    const std::size_t versionLength = sizeof(kVersionLine) - 1;
    if (!NextLine(data, size, &offset, &line, &length)) {
        // A prefix of the version line may still become one.
        const std::size_t have = size < versionLength ? size : versionLength;
        if (std::memcmp(data, kVersionLine, have) != 0) return AgeStatus::kDamaged;
        return Incomplete(size);
    }
    if (length != versionLength || std::memcmp(line, kVersionLine, length) != 0) {
        return AgeStatus::kDamaged;
    }
    for (;;) {
        const std::size_t lineStart = offset;
        if (!NextLine(data, size, &offset, &line, &length)) {
            // "-> " or "---" must start the line; anything else can already be refused.
            const std::size_t have = size - lineStart;
            const char* rest = reinterpret_cast<const char*>(data + lineStart);
            const std::size_t compared = have < 3 ? have : 3;
            const bool prefix =
                std::memcmp(rest, "-> ", compared) == 0 || std::memcmp(rest, "---", compared) == 0;
            return prefix ? Incomplete(size) : AgeStatus::kDamaged;
        }
        if (length >= 3 && std::memcmp(line, "---", 3) == 0) {
            if (header->stanzas.empty()) return AgeStatus::kDamaged;
            std::vector<uint8_t> mac;
            if (length != 3 + 1 + Base64UnpaddedLength(kMacSize) || line[3] != ' ' ||
                !Base64Decode(line + 4, length - 4, false, &mac) || mac.size() != kMacSize) {
                return AgeStatus::kDamaged;
            }
            std::memcpy(header->mac, mac.data(), kMacSize);
            header->macInputSize = lineStart + 3;
            header->size = offset;
            return AgeStatus::kOk;
        }
        if (length < 3 || std::memcmp(line, "-> ", 3) != 0) return AgeStatus::kDamaged;
        Stanza stanza;
        std::vector<std::string> parts;
        if (!SplitArguments(line + 3, length - 3, &parts)) return AgeStatus::kDamaged;
        stanza.type = std::move(parts.front());
        stanza.args.assign(parts.begin() + 1, parts.end());
        // Body lines of exactly 64 columns continue the body; the first shorter one ends it.
        for (;;) {
            if (!NextLine(data, size, &offset, &line, &length)) {
                return offset == size || size - offset <= kColumns ? Incomplete(size)
                                                                   : AgeStatus::kDamaged;
            }
            if (length > kColumns || !Base64Decode(line, length, false, &stanza.body)) {
                return AgeStatus::kDamaged;
            }
            if (length < kColumns) break;
        }
        header->stanzas.push_back(std::move(stanza));
    }
}

std::string WriteHeaderWithoutMac(const std::vector<Stanza>& stanzas) {
    std::string text = kVersionLine;
    text += '\n';
    for (const Stanza& stanza : stanzas) {
        text += "-> ";
        text += stanza.type;
        for (const std::string& arg : stanza.args) {
            text += ' ';
            text += arg;
        }
        text += '\n';
        const std::string body = Base64Encode(stanza.body.data(), stanza.body.size(), false);
        std::size_t i = 0;
        for (; body.size() - i >= kColumns; i += kColumns) {
            text.append(body, i, kColumns);
            text += '\n';
        }
        // The final line is shorter than 64 columns, empty when the body filled the last one.
        text.append(body, i, std::string::npos);
        text += '\n';
    }
    text += "---";
    return text;
}

std::string WriteMacLine(const uint8_t* mac) {
    return " " + Base64Encode(mac, kMacSize, false) + "\n";
}

}  // namespace velmor::crypto::age

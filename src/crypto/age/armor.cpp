#include "crypto/age/armor.h"

#include <cstring>

#include "crypto/age/base64.h"

namespace velmor::crypto::age {

namespace {

constexpr std::size_t kColumns = 64;
constexpr std::size_t kBytesPerLine = kColumns / 4 * 3;

bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool Equals(const uint8_t* line, std::size_t length, const char* text) {
    return length == std::strlen(text) && std::memcmp(line, text, length) == 0;
}

}  // namespace

bool LooksArmored(const uint8_t* data, std::size_t size) {
    std::size_t start = 0;
    while (start < size && IsSpace(data[start])) ++start;
    const std::size_t length = sizeof(kArmorBegin) - 1;
    return size - start >= length && std::memcmp(data + start, kArmorBegin, length) == 0;
}

std::string ArmorEncode(const uint8_t* data, std::size_t size) {
    std::string text = kArmorBegin;
    text += '\n';
    for (std::size_t i = 0; i < size; i += kBytesPerLine) {
        const std::size_t n = size - i < kBytesPerLine ? size - i : kBytesPerLine;
        text += Base64Encode(data + i, n, true);
        text += '\n';
    }
    text += kArmorEnd;
    text += '\n';
    return text;
}

AgeStatus ArmorDecode(const uint8_t* data, std::size_t size, std::vector<uint8_t>* out) {
    std::size_t start = 0;
    std::size_t end = size;
    while (start < end && IsSpace(data[start])) ++start;
    while (end > start && IsSpace(data[end - 1])) --end;
    out->clear();
    bool sawBegin = false;
    bool sawShortLine = false;
    std::size_t offset = start;
    while (offset < end) {
        const uint8_t* newline =
            static_cast<const uint8_t*>(std::memchr(data + offset, '\n', end - offset));
        const std::size_t next = newline == nullptr ? end : newline - data + 1;
        std::size_t length = (newline == nullptr ? end : newline - data) - offset;
        if (length > 0 && data[offset + length - 1] == '\r') --length;
        const uint8_t* line = data + offset;
        offset = next;
        if (!sawBegin) {
            if (!Equals(line, length, kArmorBegin)) return AgeStatus::kDamaged;
            sawBegin = true;
            continue;
        }
        if (Equals(line, length, kArmorEnd)) {
            // The end line is the last thing in the armor; an empty one holds no file.
            return offset == end && !out->empty() ? AgeStatus::kOk : AgeStatus::kDamaged;
        }
        // Only the last line of base64 may be shorter than 64 columns.
        if (sawShortLine || length == 0 || length > kColumns || length % 4 != 0) {
            return AgeStatus::kDamaged;
        }
        sawShortLine = length < kColumns;
        const std::size_t before = out->size();
        if (!Base64Decode(reinterpret_cast<const char*>(line), length, true, out)) {
            return AgeStatus::kDamaged;
        }
        // Padding belongs to the last line alone.
        if (out->size() - before != length / 4 * 3) sawShortLine = true;
    }
    return AgeStatus::kDamaged;
}

}  // namespace velmor::crypto::age

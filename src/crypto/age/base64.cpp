#include "crypto/age/base64.h"

namespace velmor::crypto::age {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string Base64Encode(const uint8_t* data, std::size_t size, bool padded) {
    std::string text;
    text.reserve((size + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const uint32_t group = uint32_t{data[i]} << 16 | uint32_t{data[i + 1]} << 8 | data[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) text += kAlphabet[(group >> shift) & 63];
    }
    const std::size_t rest = size - i;
    if (rest != 0) {
        uint32_t group = uint32_t{data[i]} << 16;
        if (rest == 2) group |= uint32_t{data[i + 1]} << 8;
        text += kAlphabet[(group >> 18) & 63];
        text += kAlphabet[(group >> 12) & 63];
        if (rest == 2) text += kAlphabet[(group >> 6) & 63];
        if (padded) text.append(rest == 1 ? "==" : "=");
    }
    return text;
}

bool Base64Decode(const char* text, std::size_t size, bool padded, std::vector<uint8_t>* out) {
    std::size_t length = size;
    if (padded) {
        if (size % 4 != 0) return false;
        if (size != 0 && text[size - 1] == '=') --length;
        if (length != size && text[length - 1] == '=') --length;
    }
    // One character left over would carry six bits, not a whole byte.
    if (length % 4 == 1) return false;
    uint32_t group = 0;
    int bits = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const int value = Value(text[i]);
        if (value < 0) return false;
        group = group << 6 | static_cast<uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out->push_back(static_cast<uint8_t>(group >> bits));
            group &= (1u << bits) - 1;
        }
    }
    // The bits left below the last whole byte must be zero in a canonical encoding.
    return group == 0;
}

}  // namespace velmor::crypto::age

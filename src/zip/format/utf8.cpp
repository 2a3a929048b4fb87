#include "zip/format/utf8.h"

#include <cstdint>

namespace velmor::zip {

namespace {

bool IsHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

bool Utf8ToUtf16(const std::string& bytes, std::wstring* text) {
    std::wstring out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const uint8_t lead = static_cast<uint8_t>(bytes[i]);
        uint32_t code = 0;
        size_t length = 0;
        uint32_t smallest = 0;  // below this the form is overlong
        if (lead < 0x80) {
            code = lead;
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            code = lead & 0x1Fu;
            length = 2;
            smallest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            code = lead & 0x0Fu;
            length = 3;
            smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            code = lead & 0x07u;
            length = 4;
            smallest = 0x10000;
        } else {
            return false;  // a continuation byte, C0, C1 or F5 to FF in lead position
        }
        if (bytes.size() - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            const uint8_t next = static_cast<uint8_t>(bytes[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < smallest || code > 0x10FFFF || IsHighSurrogate(code) || IsLowSurrogate(code)) {
            return false;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(code));
        }
        i += length;
    }
    *text = std::move(out);
    return true;
}

bool Utf16ToUtf8(const std::wstring& text, std::string* bytes) {
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = static_cast<uint16_t>(text[i]);
        if (IsHighSurrogate(code)) {
            if (i + 1 >= text.size() || !IsLowSurrogate(static_cast<uint16_t>(text[i + 1])))
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint16_t>(text[++i]) - 0xDC00);
        } else if (IsLowSurrogate(code)) {
            return false;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    *bytes = std::move(out);
    return true;
}

}  // namespace velmor::zip

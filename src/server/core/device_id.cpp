#include "server/core/device_id.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace velmor::server {
namespace {

// The C library's unsigned conversion (whitespace, sign, optional 0x,
// saturating at 0xFFFFFFFF), reading from the given position to the end.
std::uint32_t ReadHex(const wchar_t* from) {
    errno = 0;
    const unsigned long value = std::wcstoul(from, nullptr, 16);
    if constexpr (sizeof(unsigned long) > sizeof(std::uint32_t)) {
        // Where unsigned long is wider, read it as the 32-bit conversion
        // would: a magnitude beyond 32 bits saturates, "-n" wraps modulo 2^32.
        if (errno == ERANGE) return 0xFFFFFFFFu;
        const wchar_t* p = from;
        while (std::iswspace(static_cast<std::wint_t>(*p))) ++p;
        const bool negative = *p == L'-';
        const unsigned long magnitude = negative ? 0ul - value : value;
        if (magnitude > 0xFFFFFFFFul) return 0xFFFFFFFFu;
        const auto low = static_cast<std::uint32_t>(magnitude);
        return negative ? 0u - low : low;
    }
    return static_cast<std::uint32_t>(value);
}

// Reads exactly the four characters at pos..pos+3 as one number.
std::uint32_t ReadHex4(const std::wstring& text, std::size_t pos) {
    wchar_t piece[5] = {text[pos], text[pos + 1], text[pos + 2], text[pos + 3], L'\0'};
    return ReadHex(piece);
}

std::uint32_t Word(const unsigned char* bytes, int index) {
    const unsigned char* p = bytes + index * 4;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

DeviceId ParseDeviceId(const std::wstring& text) {
    DeviceId id{};
    if (text.size() != kDeviceIdTextLength) return id;
    // wcstoul stops at a NUL, so an embedded NUL simply ends a group early.
    const wchar_t* s = text.c_str();
    id.Data1 = ReadHex(s);
    id.Data2 = static_cast<std::uint16_t>(ReadHex(s + 9));
    id.Data3 = static_cast<std::uint16_t>(ReadHex(s + 14));
    const std::uint32_t clock = ReadHex(s + 19) & 0xFFFFu;
    id.Data4[0] = static_cast<unsigned char>(clock >> 8);
    id.Data4[1] = static_cast<unsigned char>(clock);
    const std::uint32_t node0 = ReadHex4(text, 24) & 0xFFFFu;
    id.Data4[2] = static_cast<unsigned char>(node0 >> 8);
    id.Data4[3] = static_cast<unsigned char>(node0);
    const std::uint32_t node1 = ReadHex4(text, 28) & 0xFFFFu;
    id.Data4[4] = static_cast<unsigned char>(node1 >> 8);
    id.Data4[5] = static_cast<unsigned char>(node1);
    const std::uint32_t node2 = ReadHex(s + 32) & 0xFFFFu;
    id.Data4[6] = static_cast<unsigned char>(node2 >> 8);
    id.Data4[7] = static_cast<unsigned char>(node2);
    return id;
}

std::wstring FormatDeviceId(const DeviceId& id) {
    wchar_t buf[40];
    std::swprintf(buf, 40, L"%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned long>(id.Data1), static_cast<unsigned>(id.Data2),
                  static_cast<unsigned>(id.Data3), unsigned{id.Data4[0]}, unsigned{id.Data4[1]},
                  unsigned{id.Data4[2]}, unsigned{id.Data4[3]}, unsigned{id.Data4[4]},
                  unsigned{id.Data4[5]}, unsigned{id.Data4[6]}, unsigned{id.Data4[7]});
    return buf;
}

bool IsNilId(const DeviceId& id) {
    static const DeviceId nil{};
    return SameDeviceId(id, nil);
}

bool SameDeviceId(const DeviceId& a, const DeviceId& b) {
    return std::memcmp(&a, &b, sizeof(DeviceId)) == 0;
}

int CompareDeviceIds(const void* a, const void* b) {
    const auto* pa = static_cast<const unsigned char*>(a);
    const auto* pb = static_cast<const unsigned char*>(b);
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t wa = Word(pa, i);
        const std::uint32_t wb = Word(pb, i);
        if (wa < wb) return -1;
        if (wa > wb) return 1;
    }
    return 0;
}

std::size_t DeviceIdHash::operator()(const DeviceId& id) const noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(&id);
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (std::size_t i = 0; i < sizeof(DeviceId); ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return static_cast<std::size_t>(h);
}

}  // namespace velmor::server

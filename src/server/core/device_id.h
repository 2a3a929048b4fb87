// Device identifiers: the 16-byte GUID of a handheld device, its 36-character
// text form (8-4-4-4-12 hex digits, no braces) and the order used by the
// sorted lists of the exchange server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmor::server {

// Laid out as the platform's GUID: one 32-bit and two 16-bit numbers in the
// machine's byte order, then eight bytes.
struct DeviceId {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
static_assert(sizeof(DeviceId) == 16, "a device id is 16 bytes");

constexpr std::size_t kDeviceIdTextLength = 36;

// Reads a 36-character identifier text. Any other length gives the nil id.
// Each group is read with the C library's unsigned base-16 conversion and cut
// to the width of its field; separators are not validated.
DeviceId ParseDeviceId(const std::wstring& text);

// Upper-case 8-4-4-4-12 text without braces.
std::wstring FormatDeviceId(const DeviceId& id);

bool IsNilId(const DeviceId& id);
bool SameDeviceId(const DeviceId& a, const DeviceId& b);

// Orders ids as four little-endian 32-bit words compared in turn;
// returns -1, 0 or 1. Signature fits qsort and MyDinArray::Search.
int CompareDeviceIds(const void* a, const void* b);

struct DeviceIdHash {
    std::size_t operator()(const DeviceId& id) const noexcept;
};
struct DeviceIdEqual {
    bool operator()(const DeviceId& a, const DeviceId& b) const noexcept {
        return SameDeviceId(a, b);
    }
};

}  // namespace velmor::server

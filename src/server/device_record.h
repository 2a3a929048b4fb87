// Fixed-size records of the exchange server: a known device and one line of
// a status file.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "server/device_id.h"

namespace velmor::server {

constexpr std::size_t kNameUnits = 64;  // 63 characters and a terminator

struct DeviceRecord {
    DeviceId id;
    wchar_t pseudonym[kNameUnits];
    wchar_t directory[kNameUnits];
    wchar_t file[kNameUnits];
    SYSTEMTIME time;
    std::uint32_t crc;
    std::int32_t ready;
};

struct StatusRecord {
    DeviceId id;
    wchar_t file[kNameUnits];
    SYSTEMTIME time;
    std::int32_t number;
};

// Copies at most 64 units of text into field, zero-fills the rest and
// terminates the last unit, so at most 63 characters remain.
void CopyName64(wchar_t (&field)[kNameUnits], const std::wstring& text);

}  // namespace velmor::server

// Fixed-size records of the exchange server: a known device and one line of
// a status file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "server/core/device_id.h"

namespace velmor::server {

constexpr std::size_t kNameUnits = 64;  // 63 characters and a terminator

// A calendar time with the fields and layout of the platform's SYSTEMTIME.
struct CalendarTime {
    std::uint16_t wYear;
    std::uint16_t wMonth;
    std::uint16_t wDayOfWeek;
    std::uint16_t wDay;
    std::uint16_t wHour;
    std::uint16_t wMinute;
    std::uint16_t wSecond;
    std::uint16_t wMilliseconds;
};

struct DeviceRecord {
    DeviceId id;
    wchar_t pseudonym[kNameUnits];
    wchar_t directory[kNameUnits];
    wchar_t file[kNameUnits];
    CalendarTime time;
    std::uint32_t crc;
    std::int32_t ready;
};

struct StatusRecord {
    DeviceId id;
    wchar_t file[kNameUnits];
    CalendarTime time;
    std::int32_t number;
};

// Copies at most 64 units of text into field, zero-fills the rest and
// terminates the last unit, so at most 63 characters remain.
void CopyName64(wchar_t (&field)[kNameUnits], const std::wstring& text);

}  // namespace velmor::server

#include "zip/win/file_times.h"

namespace velmor::zip {

uint64_t ToUint64(const FILETIME& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t value) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return ft;
}

SYSTEMTIME SystemTimeFromDosDateTime(uint32_t dosDateTime) {
    const uint16_t time = DosTimeWord(dosDateTime);
    const uint16_t date = DosDateWord(dosDateTime);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(1980 + (date >> 9));
    st.wMonth = static_cast<WORD>((date >> 5) & 0x0F);
    st.wDay = static_cast<WORD>(date & 0x1F);
    st.wHour = static_cast<WORD>(time >> 11);
    st.wMinute = static_cast<WORD>((time >> 5) & 0x3F);
    st.wSecond = static_cast<WORD>((time & 0x1F) * 2);
    st.wMilliseconds = 0;
    st.wDayOfWeek = 0;
    return st;
}

bool UtcFileTimeToDosDateTime(const FILETIME& utc, uint32_t* dosDateTime) {
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return false;
    *dosDateTime = DosDateTimeFromSystemTime(st);
    return true;
}

bool DosDateTimeToUtcFileTime(uint32_t dosDateTime, FILETIME* utc) {
    const SYSTEMTIME st = SystemTimeFromDosDateTime(dosDateTime);
    FILETIME local;
    if (!SystemTimeToFileTime(&st, &local)) return false;
    return LocalFileTimeToFileTime(&local, utc) != FALSE;
}

uint32_t DosDateTimeFromSystemTime(const SYSTEMTIME& st) {
    const uint32_t time =
        static_cast<uint32_t>(st.wHour) * 2048u + st.wMinute * 32u + st.wSecond / 2u;
    const uint32_t date =
        (static_cast<uint32_t>(st.wYear - 1980) & 0x7Fu) * 512u + st.wMonth * 32u + st.wDay;
    return ((date & 0xFFFFu) << 16) | (time & 0xFFFFu);
}

EntryTimes ResolveEntryTimes(uint32_t dosDateTime, const uint8_t* localExtra, size_t extraLength) {
    EntryTimes times;
    FILETIME utc;
    if (DosDateTimeToUtcFileTime(dosDateTime, &utc)) {
        times.modification = times.access = times.creation = ToUint64(utc);
    }
    ApplyExtendedTimestamp(localExtra, extraLength, &times);
    return times;
}

}  // namespace velmor::zip

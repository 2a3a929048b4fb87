// DOS date/time encoding and the local-time conversions. The suite runs twice:
// once under TZ=UTC and once under TZ=Asia/Tokyo (UTC+9, no daylight saving).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "zip/win/file_times.h"
#include "zip/format/records.h"

namespace velmor::zip {
namespace {

SYSTEMTIME Civil(int y, int mo, int d, int h, int mi, int s) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    st.wSecond = static_cast<WORD>(s);
    return st;
}

uint64_t UtcTicks(int y, int mo, int d, int h, int mi, int s) {
    const SYSTEMTIME st = Civil(y, mo, d, h, mi, s);
    FILETIME ft;
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return ToUint64(ft);
}

// Offset of local time from UTC in seconds for the zones this suite is run under.
bool KnownZoneOffset(long* seconds) {
    const char* tz = std::getenv("TZ");
    const std::string zone = tz ? tz : "";
    if (zone == "UTC") {
        *seconds = 0;
        return true;
    }
    if (zone == "Asia/Tokyo") {
        *seconds = 9 * 3600;
        return true;
    }
    return false;
}

TEST(ZipDosTime, EncodesFieldsAndHalvesSeconds) {
    EXPECT_EQ(DosDateTimeFromSystemTime(Civil(2020, 5, 17, 13, 45, 22)), 0x50B16DABu);
    EXPECT_EQ(DosDateTimeFromSystemTime(Civil(2020, 5, 17, 13, 45, 23)), 0x50B16DABu);
    EXPECT_EQ(DosDateTimeFromSystemTime(Civil(1980, 1, 1, 0, 0, 0)), 0x00210000u);
    EXPECT_EQ(DosDateTimeFromSystemTime(Civil(2107, 12, 31, 23, 59, 58)), 0xFF9FBF7Du);
    // The year field keeps seven bits.
    EXPECT_EQ(DosDateWord(DosDateTimeFromSystemTime(Civil(2108, 1, 1, 0, 0, 0))), 0x0021);

    const SYSTEMTIME back = SystemTimeFromDosDateTime(0x50B16DABu);
    EXPECT_EQ(back.wYear, 2020);
    EXPECT_EQ(back.wMonth, 5);
    EXPECT_EQ(back.wDay, 17);
    EXPECT_EQ(back.wHour, 13);
    EXPECT_EQ(back.wMinute, 45);
    EXPECT_EQ(back.wSecond, 22);
    EXPECT_EQ(back.wMilliseconds, 0);
    EXPECT_EQ(DosTimeWord(0x50B16DABu), 0x6DAB);
}

TEST(ZipUnixTime, ConversionsBothWays) {
    EXPECT_EQ(UnixTimeToFileTime(0), kUnixEpochAsFileTime);
    EXPECT_EQ(UnixTimeToFileTime(1589723122), UtcTicks(2020, 5, 17, 13, 45, 22));
    EXPECT_EQ(UnixTimeToFileTime(-1), kUnixEpochAsFileTime - kFileTimeTicksPerSecond);
    EXPECT_EQ(FileTimeToUnixTime(UtcTicks(2020, 5, 17, 13, 45, 22) + 9999999), 1589723122);
    // Before 1970 the division truncates toward zero.
    EXPECT_EQ(FileTimeToUnixTime(kUnixEpochAsFileTime - 15000000), -1);
    EXPECT_EQ(FileTimeToUnixTime(0), -11644473600LL);
}

TEST(ZipDosTime, LocalZoneOffsetAppliedBothWays) {
    const uint64_t utc = UtcTicks(2021, 7, 4, 10, 20, 30);
    uint32_t dos = 0;
    ASSERT_TRUE(UtcFileTimeToDosDateTime(ToFileTime(utc), &dos));
    FILETIME backFt;
    ASSERT_TRUE(DosDateTimeToUtcFileTime(dos, &backFt));
    EXPECT_EQ(ToUint64(backFt), utc);  // even seconds survive the round trip

    long offset = 0;
    if (!KnownZoneOffset(&offset)) GTEST_SKIP() << "zone offset unknown for this TZ";
    const uint64_t local = utc + static_cast<int64_t>(offset) * kFileTimeTicksPerSecond;
    FILETIME localFt = ToFileTime(local);
    SYSTEMTIME st;
    ASSERT_TRUE(FileTimeToSystemTime(&localFt, &st));
    EXPECT_EQ(dos, DosDateTimeFromSystemTime(st));
    if (offset != 0) {
        EXPECT_NE(DosTimeWord(dos) >> 11, 10);
    }
}

}  // namespace
}  // namespace velmor::zip

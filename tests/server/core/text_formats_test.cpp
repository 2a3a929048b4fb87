// Device ids, the status-line grammar, info lines and field extraction.
#include <gtest/gtest.h>

#include <cstring>

#include "server/core/device_id.h"
#include "server/core/info_line.h"
#include "server/core/safe_relative_name.h"
#include "server/core/status_line.h"

namespace velmor::server {
namespace {

const wchar_t kIdText[] = L"01234567-89ab-cdef-0123-456789ABCDEF";

TEST(ServerDeviceId, ParsesGroupsAndFormatsUpperCase) {
    const DeviceId id = ParseDeviceId(kIdText);
    EXPECT_EQ(0x01234567u, id.Data1);
    EXPECT_EQ(0x89ABu, id.Data2);
    EXPECT_EQ(0xCDEFu, id.Data3);
    const unsigned char tail[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    EXPECT_EQ(0, std::memcmp(tail, id.Data4, 8));
    EXPECT_EQ(L"01234567-89AB-CDEF-0123-456789ABCDEF", FormatDeviceId(id));
}

TEST(ServerDeviceId, WrongLengthGivesNilAndSeparatorsAreNotChecked) {
    EXPECT_TRUE(IsNilId(ParseDeviceId(L"")));
    EXPECT_TRUE(IsNilId(ParseDeviceId(L"{01234567-89ab-cdef-0123-456789ABCDEF}")));
    EXPECT_TRUE(IsNilId(ParseDeviceId(std::wstring(kIdText) + L" ")));
    EXPECT_TRUE(IsNilId(ParseDeviceId(std::wstring(100000, L'A'))));
    // Any separator character is accepted.
    const DeviceId other = ParseDeviceId(L"01234567x89abx cde+0123z456789ABCDEF");
    EXPECT_EQ(0x01234567u, other.Data1);
    EXPECT_EQ(0x89ABu, other.Data2);
    EXPECT_EQ(0xCDEu, other.Data3);  // leading blank skipped
    EXPECT_EQ(0x01u, other.Data4[0]);
    EXPECT_EQ(0x23u, other.Data4[1]);
    // Garbage reads as the C library reads it: stops at the first non-digit.
    const DeviceId junk = ParseDeviceId(L"zzzzzzzz-zzzz-zzzz-zzzz-zzzzzzzzzzzz");
    EXPECT_TRUE(IsNilId(junk));
    // Without hyphens the first group runs on and saturates.
    const DeviceId run = ParseDeviceId(L"0123456789abcdef0123456789abcdef0123");
    EXPECT_EQ(0xFFFFFFFFu, run.Data1);
    // A group is read as a 32-bit number, whatever the width of the C
    // library's unsigned long: beyond 32 bits it saturates, "-n" wraps.
    const DeviceId wide = ParseDeviceId(L"123456789abc00-2x0-0000-000000000000");
    EXPECT_EQ(0xFFFFFFFFu, wide.Data1);
    EXPECT_EQ(0xFFFEu, wide.Data3);
}

TEST(ServerDeviceId, OrderIsByLittleEndianWordsNotText) {
    const DeviceId a = ParseDeviceId(L"00000002-0000-0000-0000-000000000000");
    const DeviceId b = ParseDeviceId(L"00000001-0000-0000-0000-000000000001");
    // Word 3 holds Data4[4..7] little-endian: "...000000000001" puts 0x01 in its top byte.
    EXPECT_EQ(1, CompareDeviceIds(&a, &b));
    EXPECT_EQ(-1, CompareDeviceIds(&b, &a));
    EXPECT_EQ(0, CompareDeviceIds(&a, &a));
    const DeviceId c = ParseDeviceId(L"00000000-0001-0000-0000-000000000000");
    const DeviceId d = ParseDeviceId(L"00000000-0000-0001-0000-000000000000");
    EXPECT_EQ(-1, CompareDeviceIds(&c, &d));  // Data3 is the high half of word 1
    const DeviceId e = ParseDeviceId(L"00000000-0000-0000-0100-000000000000");
    const DeviceId f = ParseDeviceId(L"00000000-0000-0000-0001-000000000000");
    EXPECT_EQ(-1, CompareDeviceIds(&e, &f));  // Data4[0] is the lowest byte of word 2
}

TEST(ServerStatusLine, TrimsAtMostTwoLineEndCharacters) {
    std::wstring s = L"abc\r\n";
    TrimLineEnd(s);
    EXPECT_EQ(L"abc", s);
    s = L"abc\n\n\n";
    TrimLineEnd(s);
    EXPECT_EQ(L"abc\n", s);
    s = L"";
    TrimLineEnd(s);
    EXPECT_EQ(L"", s);
    s = L"a\rb";
    TrimLineEnd(s);
    EXPECT_EQ(L"a\rb", s);
}

TEST(ServerStatusLine, IntegerReadingFollowsTheCLibraryAndClamps) {
    EXPECT_EQ(123, ParseInt32(L"  123abc"));
    EXPECT_EQ(-1, ParseInt32(L"-1"));
    EXPECT_EQ(0, ParseInt32(L"x1"));
    EXPECT_EQ(0, ParseInt32(L""));
    EXPECT_EQ(0, ParseInt32(L"-"));
    EXPECT_EQ(2147483647, ParseInt32(L"4294967295"));
    EXPECT_EQ(-2147483647 - 1, ParseInt32(L"-99999999999999999999999"));
    EXPECT_EQ(7, ParseInt32(L"+7"));
}

TEST(ServerStatusLine, TimeTextOfTenSixteenOrNineteenCharacters) {
    CalendarTime t = ParseStatusTime(L"2024-05-31 14-30-05");
    EXPECT_EQ(2024, t.wYear);
    EXPECT_EQ(5, t.wMonth);
    EXPECT_EQ(31, t.wDay);
    EXPECT_EQ(14, t.wHour);
    EXPECT_EQ(30, t.wMinute);
    EXPECT_EQ(5, t.wSecond);
    EXPECT_EQ(0, t.wMilliseconds);
    t = ParseStatusTime(L"2024.05.31 14:30");
    EXPECT_EQ(14, t.wHour);
    EXPECT_EQ(30, t.wMinute);
    EXPECT_EQ(0, t.wSecond);
    t = ParseStatusTime(L"2024-05-31");
    EXPECT_EQ(31, t.wDay);
    EXPECT_EQ(0, t.wHour);
    for (const wchar_t* odd : {L"24-05-31", L"", L"2024-05-31 14-30-055"}) {
        t = ParseStatusTime(odd);
        EXPECT_EQ(2000, t.wYear);
        EXPECT_EQ(1, t.wMonth);
        EXPECT_EQ(1, t.wDay);
        EXPECT_EQ(0, t.wHour);
    }
    // Unchecked values keep their low 16 bits; each part ends at its separator.
    t = ParseStatusTime(L"-001-99-7x 25-61-99");
    EXPECT_EQ(0xFFFF, t.wYear);
    EXPECT_EQ(99, t.wMonth);
    EXPECT_EQ(7, t.wDay);
    EXPECT_EQ(61, t.wMinute);
}

TEST(ServerStatusLine, ReadsFieldsOneThreeFourFive) {
    StatusRecord r;
    std::wstring line =
        std::wstring(kIdText) + L"\tignored\tsub\\a.dat\t2024-05-31 14-30-05\t123\textra";
    EXPECT_EQ(6u, ReadStatusLine(line, r));
    EXPECT_EQ(0x01234567u, r.id.Data1);
    EXPECT_STREQ(L"sub\\a.dat", r.file);
    EXPECT_EQ(2024, r.time.wYear);
    EXPECT_EQ(123, r.number);
    // Four fields: no number; a trailing TAB makes an empty fifth field.
    EXPECT_EQ(4u, ReadStatusLine(std::wstring(kIdText) + L"\tx\tb.dat\t2024-05-31", r));
    EXPECT_EQ(0, r.number);
    EXPECT_EQ(5u, ReadStatusLine(std::wstring(kIdText) + L"\tx\tb.dat\t2024-05-31\t", r));
    // A long name is cut to 63 characters.
    EXPECT_EQ(3u, ReadStatusLine(std::wstring(kIdText) + L"\tx\t" + std::wstring(200, L'n'), r));
    EXPECT_EQ(63u, std::wcslen(r.file));
    EXPECT_EQ(0, r.time.wYear);  // no time field: left zero
}

TEST(ServerInfoLine, FormatsSixQuotedFields) {
    DeviceRecord d{};
    d.id = ParseDeviceId(L"abcdef01-2345-6789-abcd-ef0123456789");
    CopyName64(d.pseudonym, L"Терминал 1");
    CopyName64(d.directory, L"dir1");
    EXPECT_EQ(
        L"\"ABCDEF01-2345-6789-ABCD-EF0123456789\",\"Терминал 1\",\"dir1\",\"\","
        L"\"0000-00-00 00-00-00\",\"0000000000\"",
        FormatInfoLine(d));
    CopyName64(d.file, L"a.dat");
    d.time = ParseStatusTime(L"2024-05-31 14-30-05");
    d.crc = 4294967295u;
    EXPECT_EQ(
        L"\"ABCDEF01-2345-6789-ABCD-EF0123456789\",\"Терминал 1\",\"dir1\",\"a.dat\","
        L"\"2024-05-31 14-30-05\",\"4294967295\"",
        FormatInfoLine(d));
    d.crc = 123;
    EXPECT_EQ(L"0000000123", ExtractField(FormatInfoLine(d), L"CrC"));
}

TEST(ServerInfoLine, ExtractFieldByNameAndItsQuirks) {
    const std::wstring line =
        L"\"ID\",\"Pseudo, with comma\",\"dir\",\"f.dat\",\"t\",\"0000000001\"";
    EXPECT_EQ(L"ID", ExtractField(line, L"DEVICE_ID"));
    EXPECT_EQ(L"Pseudo", ExtractField(line, L"pseudonim"));
    EXPECT_EQ(L"", ExtractField(line, L"directory"));  // the rest lies outside quotes
    EXPECT_EQ(L"dir", ExtractField(line, L"file"));
    EXPECT_EQ(L"", ExtractField(line, L"pseudonym"));
    EXPECT_EQ(L"", ExtractField(line, L""));
    EXPECT_EQ(L"", ExtractField(L"a,b,c", L"device_id"));
    EXPECT_EQ(L"", ExtractField(L"a,b,c", L"directory"));
    for (const wchar_t* name : {L"file", L"time", L"crc"}) {
        EXPECT_EQ(L"", ExtractField(L"\"a\",\"b\"", name)) << name;
    }
    EXPECT_EQ(L"ab", ExtractField(L" \"a\"\"b\" ", L"device_id"));  // doubled quote copies nothing
    EXPECT_EQ(L"", ExtractField(L"", L"crc"));
    // The text ends at its first NUL.
    EXPECT_EQ(L"", ExtractField(std::wstring(L"\"a\"\0,\"b\"", 8), L"pseudonim"));
    // A huge field is cut to 1023 characters.
    EXPECT_EQ(1023u, ExtractField(L"\"" + std::wstring(5000, L'x') + L"\"", L"device_id").size());
}

// Every line that FormatInfoLine writes gives back its own values, whatever
// the names hold. Names that themselves hold the "," between two values can
// only be told apart with the device's own names.
TEST(ServerInfoLine, EveryFieldOfAWrittenLineComesBackAsWritten) {
    struct Row {
        std::wstring pseudonym, directory, file;
        bool needsNames;
    };
    const Row rows[] = {
        {L"Склад №1, Москва", L"store1", L"store1_0001.dat", false},
        {L"ООО \"Ромашка\"", L"\"quoted\" dir", L"a b, c.dat", false},
        {L"\"", L"\"\"", L"", false},
        {L" , ", L",", L",,", false},
        {L"", L"", L"", false},
        {L"x\",", L"\",y", L"f", true},
        {std::wstring(63, L','), std::wstring(63, L'"'), L"f", false},
        {L"a\",\"b", L"c", L"f.dat", true},
        {L"a", L"b\",\"c", L"", true},
        {L"x\"", L",\"y", L"f", true},
        {L"\",\"\",\"", L"\",\"", L"sub\\f.dat", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.pseudonym) + " / " +
                     testing::PrintToString(row.directory));
        DeviceRecord d{};
        d.id = ParseDeviceId(L"0a1b2c3d-4e5f-6a7b-8c9d-0e1f2a3b4c5d");
        CopyName64(d.pseudonym, row.pseudonym);
        CopyName64(d.directory, row.directory);
        CopyName64(d.file, row.file);
        d.time = ParseStatusTime(L"2024-05-31 14-30-05");
        d.crc = 4294967295u;
        const std::wstring line = FormatInfoLine(d);
        const DeviceNamesLookup known = [&](const DeviceId& id) {
            return SameDeviceId(id, d.id) ? &d : nullptr;
        };
        const std::wstring expected[] = {L"0A1B2C3D-4E5F-6A7B-8C9D-0E1F2A3B4C5D",
                                         row.pseudonym,
                                         row.directory,
                                         row.file,
                                         L"2024-05-31 14-30-05",
                                         L"4294967295"};
        const wchar_t* const names[] = {L"device_id", L"Pseudonim", L"DIRECTORY",
                                        L"file",      L"time",      L"crc"};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(expected[i], ExtractField(line, names[i], known)) << names[i];
            if (!row.needsNames) {
                EXPECT_EQ(expected[i], ExtractField(line, names[i])) << names[i];
            }
        }
    }

    // Five-digit time parts are still a written line.
    DeviceRecord d{};
    CopyName64(d.pseudonym, L"a, b");
    d.time.wYear = 65535;
    d.time.wSecond = 65535;
    const std::wstring line = FormatInfoLine(d);
    EXPECT_EQ(L"a, b", ExtractField(line, L"pseudonim"));
    EXPECT_EQ(L"65535-00-00 00-00-65535", ExtractField(line, L"time"));
    // Texts FormatInfoLine cannot write are read field by field as before: a
    // lower-case id, a crc digit short, a blank after the last quote.
    std::wstring lower = line;
    lower[1] = L'a';
    std::wstring shortCrc = line;
    shortCrc.erase(shortCrc.size() - 2, 1);
    for (const std::wstring& odd : {lower, shortCrc, line + L" "}) {
        EXPECT_EQ(L"a", ExtractField(odd, L"pseudonim")) << odd;
        EXPECT_EQ(L"", ExtractField(odd, L"directory")) << odd;
    }
}

TEST(ServerSafeName, AcceptsPlainRelativeNamesOnly) {
    for (const wchar_t* ok :
         {L"", L"a.dat", L"sub\\a.dat", L"sub/a.dat", L".\\a.dat", L"a..b.dat", L"..a", L"ÿ.dat"}) {
        EXPECT_TRUE(IsSafeRelativeName(ok)) << ok;
    }
    for (const wchar_t* bad :
         {L"..", L"..\\x.dat", L"sub\\..\\..\\x.dat", L"sub/../x", L"\\x.dat", L"/x.dat",
          L"C:\\x.dat", L"C:x.dat", L"\\\\server\\share\\x", L"\\\\?\\C:\\x", L"a.dat:stream",
          L"...\\x", L". .\\x", L"sub\\..", L"a\x01"}) {
        EXPECT_FALSE(IsSafeRelativeName(bad)) << bad;
    }
}

}  // namespace
}  // namespace velmor::server

// Entry names as stored: in the ANSI code page when it holds the name exactly, as UTF-8
// with flag bit 11 otherwise; read back by bit 11, an Info-ZIP Unicode Path block, or the
// code page. Runs under the Western (1252) and the Russian (1251) code page.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "zip/format/crc32.h"
#include "zip/stored_name.h"
#include "zip/format/utf8.h"

namespace velmor::zip {
namespace {

TEST(ZipUtf8, ConvertsWellFormedTextOnly) {
    struct Case {
        std::string bytes;
        const wchar_t* text;  // null: not UTF-8
    };
    const Case cases[] = {
        {"plain/name.txt", L"plain/name.txt"},
        {"\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82", L"\u041e\u0442\u0447\u0451\u0442"},
        {"\xE6\x95\xB0", L"\u6570"},
        {"\xEF\xBF\xBD", L"\uFFFD"},
        {"\xF0\x9F\x98\x80", L"\xD83D\xDE00"},
        {"\xF4\x8F\xBF\xBF", L"\xDBFF\xDFFF"},  // U+10FFFF, the last code point
        {"\x80", nullptr},                      // a continuation byte without a lead
        {"\xC0\xAF", nullptr},                  // overlong "/"
        {"\xC1\xBF", nullptr},
        {"\xE0\x80\xAF", nullptr},
        {"\xF0\x80\x80\xAF", nullptr},
        {"\xED\xA0\x80", nullptr},      // an encoded surrogate
        {"\xF4\x90\x80\x80", nullptr},  // above U+10FFFF
        {"\xF8\x88\x80\x80\x80", nullptr},
        {"\xFF", nullptr},
        {"\xE6\x95", nullptr},  // cut short
        {"\xC3"
         "A",
         nullptr},
    };
    for (const Case& c : cases) {
        std::wstring text;
        ASSERT_EQ(Utf8ToUtf16(c.bytes, &text), c.text != nullptr) << c.bytes;
        if (c.text == nullptr) continue;
        EXPECT_EQ(text, c.text);
        std::string back;
        ASSERT_TRUE(Utf16ToUtf8(text, &back));
        EXPECT_EQ(back, c.bytes);
    }
    std::string bytes;
    for (const std::wstring lone : {L"\xD800", L"a\xDC00",
                                    L"\xDBFF"
                                    L"x"}) {
        EXPECT_FALSE(Utf16ToUtf8(lone, &bytes));
    }
}

TEST(ZipStoredName, AnsiWhenTheCodePageHoldsTheNameElseUtf8) {
    const UINT acp = GetACP();
    ASSERT_TRUE(acp == 1251 || acp == 1252) << acp;
    const bool russian = acp == 1251;
    struct Case {
        std::wstring name;
        std::string bytes;
        uint16_t flags;
    };
    const Case cases[] = {
        {L"docs/a b.txt", "docs/a b.txt", 0},
        {std::wstring(259, L'n'), std::string(259, 'n'), 0},
        {L"\u6570\u636e.txt", "\xE6\x95\xB0\xE6\x8D\xAE.txt", 0x0800},
        // "Отчёт.txt": in 1251 byte for byte; in 1252 only as UTF-8.
        {L"\u041e\u0442\u0447\u0451\u0442.txt",
         russian ? "\xCE\xF2\xF7\xB8\xF2.txt" : "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.txt",
         static_cast<uint16_t>(russian ? 0 : 0x0800)},
        // 1251 has no "é", and its best fit "e" would be another name.
        {L"caf\u00e9.txt", russian ? "caf\xC3\xA9.txt" : "caf\xE9.txt",
         static_cast<uint16_t>(russian ? 0x0800 : 0)},
        {L"\u0100.txt", "\xC4\x80.txt", 0x0800},  // best fit "A" in both
    };
    for (const Case& c : cases) {
        StoredName stored;
        ASSERT_TRUE(EncodeEntryName(c.name, &stored));
        EXPECT_EQ(stored.bytes, c.bytes);
        EXPECT_EQ(stored.flags, c.flags) << c.bytes;
        std::wstring back;
        ASSERT_TRUE(DecodeEntryName(stored.bytes, stored.flags, nullptr, 0, &back));
        EXPECT_EQ(back, c.name);
    }
}

std::string UnicodePath(uint8_t version, const std::string& storedName, const std::string& utf8) {
    const uint32_t crc = ComputeCrc32(storedName.data(), storedName.size());
    std::string data(1, static_cast<char>(version));
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>(crc >> (8 * i)));
    data += utf8;
    std::string block = {'u', 'p', static_cast<char>(data.size() & 0xFF),
                         static_cast<char>(data.size() >> 8)};
    return block + data;
}

TEST(ZipStoredName, ReadsBit11OrAMatchingUnicodePathBlockElseTheCodePage) {
    const bool russian = GetACP() == 1251;
    const std::string zhe = "\xD0\x96.txt";  // "Ж.txt" in UTF-8
    const std::string other = std::string("\x55\x54\x05\x00\x07\x01\x02\x03\x04", 9);
    struct Case {
        std::string bytes;
        uint16_t flags;
        std::string extra;
        const wchar_t* name;  // null: refused
    };
    const Case cases[] = {
        {zhe, 0x0800, "", L"\u0416.txt"},
        {"\xC0\xAF.txt", 0x0800, "", nullptr},
        {"x.txt", 0x0800, UnicodePath(1, "x.txt", "y.txt"), L"x.txt"},  // bit 11 wins
        {"x.txt", 0, UnicodePath(1, "x.txt", zhe), L"\u0416.txt"},
        {"x.txt", 0, other + UnicodePath(1, "x.txt", zhe), L"\u0416.txt"},
        {"x.txt", 0, UnicodePath(1, "renamed.txt", zhe), L"x.txt"},  // CRC of another name
        {"x.txt", 0, UnicodePath(2, "x.txt", zhe), L"x.txt"},
        {"x.txt", 0, UnicodePath(1, "x.txt", zhe).substr(0, 8), L"x.txt"},  // cut block
        {"x.txt", 0, UnicodePath(1, "x.txt", "\xED\xA0\x80"), nullptr},
        {"x.txt", 0, UnicodePath(1, "x.txt", std::string("a\0b", 3)), nullptr},
        {"x.txt", 0, UnicodePath(1, "x.txt", std::string(260, 'n')), nullptr},
        {"x.txt", 0, UnicodePath(1, "x.txt", "../up.txt"), L"../up.txt"},  // checked at extraction
        {"\xC6.txt", 0, "", russian ? L"\u0416.txt" : L"\u00c6.txt"},
    };
    for (const Case& c : cases) {
        std::wstring name;
        const auto* extra = reinterpret_cast<const uint8_t*>(c.extra.data());
        ASSERT_EQ(DecodeEntryName(c.bytes, c.flags, extra, c.extra.size(), &name),
                  c.name != nullptr)
            << c.bytes << " " << c.extra.size();
        if (c.name) {
            EXPECT_EQ(name, c.name);
        }
    }
}

}  // namespace
}  // namespace velmor::zip

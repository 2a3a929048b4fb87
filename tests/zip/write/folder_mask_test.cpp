// AddFolder's masks (the walk over them is checked against the peers' oracle end to end).
#include <gtest/gtest.h>

#include <cwctype>

#include "zip/name_mask.h"

namespace velmor::zip {
namespace {

std::wstring Upper(const std::wstring& text) {
    std::wstring out = text;
    for (wchar_t& c : out) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return out;
}

TEST(ZipFolderMasks, WildcardsAndExclusions) {
    struct Case {
        const wchar_t* masks;
        const wchar_t* path;  // relative, "/"-separated
        bool picked;
    };
    const Case cases[] = {
        {L"", L"a/b.txt", true},
        {L"*.xml", L"Data.XML", true},
        {L"*.xml", L"sub/data.xml", true},  // a name pattern sees the name alone
        {L"*.xml", L"data.xml.bak", false},
        {L"*.xml;*.csv", L"t.csv", true},
        {L"?.txt", L"ab.txt", false},
        {L"?.txt", L"\U0001F600.txt", true},  // a surrogate pair is one character
        {L"a*b*c", L"aXbYbZc", true},
        {L"a*b*c", L"aXbYcZ", false},
        {L"*.*", L"README", false},
        {L"***", L"", true},
        {L"-~*", L"~lock.txt", false},
        {L"-~*", L"sub/a.txt", true},              // exclusions alone keep the rest
        {L"*.txt;-b*", L"bad.txt", false},         // exclusions win
        {L"sub\\*.txt", L"sub/deep/x.txt", true},  // "*" crosses "/"
        {L"sub\\*.txt", L"x.txt", false},
        {L"\\top.txt", L"top.txt", true},
        {L"*.txt;-backup\\*", L"backup/old/a.txt", false},
        {L";;-;*.txt;", L"a.TXT", true},  // empty patterns are passed over
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.masks << " " << c.path);
        const FolderMasks masks(c.masks, Upper);
        const std::wstring path = c.path;
        const std::wstring name = path.substr(path.rfind(L'/') + 1);
        EXPECT_EQ(masks.PicksFile(name, path), c.picked);
    }
    EXPECT_TRUE(FolderMasks(L"-backup\\*", Upper).ExcludesFolder(L"backup", L"backup"));
    EXPECT_TRUE(FolderMasks(L"-~*", Upper).ExcludesFolder(L"~old", L"a/~old"));
    EXPECT_FALSE(FolderMasks(L"*.txt", Upper).ExcludesFolder(L"backup", L"backup"));
}

}  // namespace
}  // namespace velmor::zip

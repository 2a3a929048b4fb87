// AddFolder's masks and folder walk over a listing held in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <map>

#include "zip/folder_walk.h"
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

// Folders as a map from relative path to items; "!" before a name marks it hidden, "@" a link.
class MemoryLister final : public FolderLister {
public:
    explicit MemoryLister(std::map<std::wstring, std::vector<std::wstring>> tree)
        : tree_(std::move(tree)) {}
    bool List(const std::wstring& path, std::vector<FolderItem>* items) override {
        const auto it = tree_.find(path);
        if (it == tree_.end()) return false;
        items->clear();
        for (std::wstring name : it->second) {
            FolderItem item;
            item.hidden = name[0] == L'!';
            item.link = name[0] == L'@';
            if (item.hidden || item.link) name.erase(0, 1);
            item.folder = name.back() == L'/';
            if (item.folder) name.pop_back();
            item.name = name;
            items->push_back(item);
        }
        return true;
    }

private:
    std::map<std::wstring, std::vector<std::wstring>> tree_;
};

TEST(ZipFolderWalk, EntriesForMasksAndFlags) {
    MemoryLister lister({
        {L"", {L"b.txt", L"A.xml", L"!h.txt", L"sub/", L"empty/", L"!hid/", L"@loop/"}},
        {L"sub", {L"c.tmp", L"deep/"}},
        {L"sub/deep", {L"d.xml"}},
        {L"empty", {}},
        {L"hid", {L"e.txt"}},
    });
    struct Case {
        const wchar_t* masks;
        bool recurse, skipHidden;
        const wchar_t* entries;  // ";"-separated, folder entries end in "/"
    };
    const Case cases[] = {
        {L"", false, false, L"A.xml;b.txt;!h.txt"},
        {L"", true, true, L"A.xml;b.txt;empty/;sub/c.tmp;sub/deep/d.xml"},
        {L"", true, false, L"A.xml;b.txt;empty/;!h.txt;hid/e.txt;sub/c.tmp;sub/deep/d.xml"},
        {L"*.xml", true, true, L"A.xml;sub/deep/d.xml"},  // no folder entries for inclusions
        {L"-*.xml;-*.txt", true, true, L"empty/;sub/c.tmp;sub/deep/"},  // emptied by exclusions
        {L"-sub\\*", true, true, L"A.xml;b.txt;empty/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.masks << " " << c.recurse << c.skipHidden);
        std::vector<WalkedEntry> walked;
        ASSERT_TRUE(WalkFolder(lister, FolderMasks(c.masks, Upper), Upper,
                               {c.recurse, c.skipHidden}, &walked));
        std::wstring text;
        for (const WalkedEntry& e : walked) {
            text += (text.empty() ? L"" : L";") + e.relativePath + (e.folder ? L"/" : L"");
        }
        std::wstring expected = c.entries;
        expected.erase(std::remove(expected.begin(), expected.end(), L'!'), expected.end());
        EXPECT_EQ(text, expected);
    }
    MemoryLister broken({{L"", {L"gone/"}}});
    std::vector<WalkedEntry> walked;
    EXPECT_FALSE(WalkFolder(broken, FolderMasks(L"", Upper), Upper, {true, false}, &walked));
}

}  // namespace
}  // namespace velmor::zip

// The folder listing must answer exactly as the file system would.
#include <gtest/gtest.h>

#include "server/core/folder_index.h"
#include "server/win/system_file_system.h"
#include "server/temp_folder.h"

namespace velmor::server::test {
namespace {

TEST(ServerFolderIndex, AgreesWithTheFileSystem) {
    TempFolder dir;
    dir.Write(L"Data.dat", "d");
    dir.Write(L"\u00e9t\u00e9.dat", "e");
    dir.MakeFolder(L"sub");
    dir.Write(L"sub\\x.dat", "x");
    const FolderIndex index(dir.path() + L"\\", SystemFileSystem());
    for (const wchar_t* name : {L"Data.dat", L"DATA.DAT", L"data.dat", L"\u00e9t\u00e9.dat", L"sub",
                                L"SUB", L"sub\\x.dat", L"sub/x.dat", L"sub\\missing", L"missing",
                                L"", L".", L"Data.dat.", L"Data.dat ", L"Data*", L"Data.da?"}) {
        EXPECT_EQ(PathExists(dir / name), index.Exists(name)) << name;
    }
    // A file that appears after the listing is not seen by that listing.
    dir.Write(L"late.dat", "l");
    EXPECT_FALSE(index.Exists(L"late.dat"));
    EXPECT_TRUE(FolderIndex(dir.path() + L"\\", SystemFileSystem()).Exists(L"late.dat"));
}

TEST(ServerFolderIndex, UnlistableFolderAsksTheFileSystem) {
    TempFolder dir;
    const FolderIndex missing(dir / L"nope\\", SystemFileSystem());
    EXPECT_FALSE(missing.Exists(L"a.dat"));
    const FolderIndex empty(L"", SystemFileSystem());
    EXPECT_FALSE(empty.Exists(L"surely-not-here.dat"));
    EXPECT_FALSE(FolderIndex::IsPlainName(L"PROGRA~1"));
    EXPECT_TRUE(FolderIndex::IsPlainName(L"a.dat"));
}

}  // namespace
}  // namespace velmor::server::test

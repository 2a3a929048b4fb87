// The resources a host or the platform reads from the library file itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library_loader.h"
#include "module/resource.h"

using velmor::test::LoadedLibrary;

namespace {

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT len = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\041904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &len))
        return L"?";
    return std::wstring(value, len ? len - 1 : 0);
}

TEST(ResourcesTest, VersionRecordNamesTheModule) {
    const std::wstring path = LoadedLibrary::Path();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(MAKELONG(65, 1), fixed->dwFileVersionMS);
    EXPECT_EQ(0u, fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(65, 1), fixed->dwProductVersionMS);
    EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);
    EXPECT_EQ(L"Velmor", VersionString(info, L"CompanyName"));
    EXPECT_EQ(L"Velmor COM Module", VersionString(info, L"FileDescription"));
    EXPECT_EQ(L"Velmor COM Module", VersionString(info, L"ProductName"));
    EXPECT_EQ(L"VelmorCOM", VersionString(info, L"InternalName"));
    EXPECT_EQ(L"VelmorCOM.dll", VersionString(info, L"OriginalFilename"));
}

TEST(ResourcesTest, ManifestDialogTypeLibraryAndStringsArePresent) {
    HMODULE module =
        LoadLibraryExW(LoadedLibrary::Path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(VELMOR_MANIFEST_ID), RT_MANIFEST);
    ASSERT_NE(nullptr, manifest);
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
    const std::string xml(text, SizeofResource(module, manifest));
    EXPECT_NE(std::string::npos, xml.find("level=\"asInvoker\" uiAccess=\"false\""));
    EXPECT_NE(std::string::npos, xml.find("<dpiAware"));

    EXPECT_NE(nullptr, FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(IDD_PROGRESS),
                                       MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT)));
    EXPECT_NE(nullptr, FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB"));

    wchar_t buffer[64] = {};
    EXPECT_EQ(9, LoadStringW(module, IDS_PROJNAME, buffer, 64));
    EXPECT_STREQ(L"VelmorCOM", buffer);
    for (UINT id : {101u, 102u, 103u, 104u, 105u, 106u, 201u, 202u, 203u, 204u, 205u, 206u, 207u,
                    208u, 209u, 210u, 212u, 220u, 221u}) {
        EXPECT_GT(LoadStringW(module, id, buffer, 64), 0) << id;
    }
    FreeLibrary(module);
}

}  // namespace

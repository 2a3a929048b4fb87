// Registration machine-wide and per user, read back from the registry; removal of exactly what
// was written; roll-back of a script that fails part-way.
#include <gtest/gtest.h>

#include <string>

#include "VelmorCOM_h.h"
#include "com_test_util.h"
#include "library_loader.h"
#include "module/class_info.h"
#include "module/registrar.h"
#include "module/registry_backend.h"
#include "module/registry_script.h"
#include "registry_snapshot.h"

using velmor::test::Difference;
using velmor::test::LoadedLibrary;
using velmor::test::RegistrySnapshot;
using velmor::test::Snapshot;

namespace {

const wchar_t* const kClsids[] = {
    L"{AED09B82-4CA8-4FC2-BFB6-37DD5BAE2D26}", L"{9823BEB1-E6BA-4AD7-8DE4-5321AD915A36}",
    L"{D1784030-35C9-48C4-A68D-C8F46A423CF9}", L"{00D9F4AD-53A2-42B6-B3F5-F28807F0CBD4}",
    L"{5E6A0A2E-DD70-434D-81D7-7CFFB7DECC0C}"};
const wchar_t* const kProgIds[] = {L"Velmor.Crypto", L"Velmor.Ftp", L"Velmor.OrvGps",
                                   L"Velmor.OrvServer", L"Velmor.Zip"};
const wchar_t* const kNames[] = {L"OrvCrypto", L"OrvFtp", L"OrvGps", L"OrvServer", L"OrvZip"};
const wchar_t kLibId[] = L"{566BF9D7-C55A-45F8-91A6-E55E9B9B1325}";

// The class entries one registration must add below a classes root (type library aside).
RegistrySnapshot ExpectedClassEntries(const std::wstring& root, const std::wstring& dll) {
    RegistrySnapshot expected;
    const std::wstring base = root.empty() ? L"" : root + L"\\";
    for (int i = 0; i < 5; ++i) {
        const std::wstring progId = std::wstring(kProgIds[i]) + L".1";
        const std::wstring display = std::wstring(kNames[i]) + L" Class";
        const std::wstring clsidKey = base + L"CLSID\\" + kClsids[i];
        expected.insert(base + progId);
        expected.insert(base + progId + L"|=" + display);
        expected.insert(base + progId + L"\\CLSID");
        expected.insert(base + progId + L"\\CLSID|=" + kClsids[i]);
        expected.insert(base + kProgIds[i]);
        expected.insert(base + kProgIds[i] + L"|=" + display);
        expected.insert(base + kProgIds[i] + L"\\CurVer");
        expected.insert(base + kProgIds[i] + L"\\CurVer|=" + progId);
        expected.insert(clsidKey);
        expected.insert(clsidKey + L"|=" + display);
        expected.insert(clsidKey + L"\\ProgID");
        expected.insert(clsidKey + L"\\ProgID|=" + progId);
        expected.insert(clsidKey + L"\\VersionIndependentProgID");
        expected.insert(clsidKey + L"\\VersionIndependentProgID|=" + kProgIds[i]);
        expected.insert(clsidKey + L"\\Programmable");
        expected.insert(clsidKey + L"\\InprocServer32");
        expected.insert(clsidKey + L"\\InprocServer32|=" + dll);
        expected.insert(clsidKey + L"\\InprocServer32|ThreadingModel=Apartment");
        expected.insert(clsidKey + L"\\TypeLib");
        expected.insert(clsidKey + L"\\TypeLib|=" + kLibId);
        expected.insert(clsidKey + L"\\Version");
        expected.insert(clsidKey + L"\\Version|=1.2");
    }
    return expected;
}

// Only the lines that belong to this library's classes, ProgIDs and type library.
RegistrySnapshot OwnEntries(const RegistrySnapshot& all) {
    RegistrySnapshot own;
    for (const auto& line : all) {
        if (line.find(L"Velmor.") != std::wstring::npos ||
            line.find(kLibId) != std::wstring::npos) {
            own.insert(line);
            continue;
        }
        for (const wchar_t* clsid : kClsids)
            if (line.find(clsid) != std::wstring::npos) own.insert(line);
    }
    return own;
}

bool StartsWith(const std::wstring& s, const std::wstring& prefix) {
    return s.size() >= prefix.size() && _wcsnicmp(s.c_str(), prefix.c_str(), prefix.size()) == 0;
}

const wchar_t* const kIids[] = {
    L"{B37523A5-3B4A-4EE2-8463-513755AC0ECD}", L"{683447C1-0CC8-4F11-9D4E-ABBD1FCFB980}",
    L"{1FF13534-2E82-4CE1-958D-003D9A0B2361}", L"{D330A549-4D14-4F1A-8CC3-46363C234038}",
    L"{AF5D8BB0-9F2E-4EA4-B658-90E0F94855D0}", L"{0CFE162F-549B-425F-BB60-108CF51225CD}",
    L"{75C73942-0149-4B17-940B-72B63A017139}"};

// What this library can touch below a classes root: the names directly below the root and
// below CLSID (so that any stray key shows), and the full subtrees of its own keys.
RegistrySnapshot ClassesView(HKEY root, const std::wstring& base) {
    const std::wstring prefix = base.empty() ? L"" : base + L"\\";
    RegistrySnapshot view = velmor::test::ChildNames(root, base);
    for (const auto& name : velmor::test::ChildNames(root, prefix + L"CLSID")) view.insert(name);
    auto add = [&](const std::wstring& path) {
        for (const auto& line : Snapshot(root, prefix + path)) view.insert(line);
    };
    for (int i = 0; i < 5; ++i) {
        add(std::wstring(L"CLSID\\") + kClsids[i]);
        add(kProgIds[i]);
        add(std::wstring(kProgIds[i]) + L".1");
    }
    for (const wchar_t* iid : kIids) {
        add(std::wstring(L"Interface\\") + iid);
        add(std::wstring(L"Wow6432Node\\Interface\\") + iid);
    }
    add(std::wstring(L"TypeLib\\") + kLibId);
    return view;
}

class RegistrationTest : public ::testing::Test {
protected:
    void TearDown() override {
        // Leave the library registered machine-wide for the tests that create components.
        lib_.Reload();
        lib_.registerServer();
    }
    LoadedLibrary lib_;
};

TEST_F(RegistrationTest, MachineWideRegistrationWritesExactlyItsEntriesAndRemovesThemAgain) {
    ASSERT_TRUE(lib_.loaded());
    lib_.unregisterServer();
    const RegistrySnapshot before = ClassesView(HKEY_CLASSES_ROOT, L"");
    ASSERT_TRUE(OwnEntries(before).empty());

    ASSERT_EQ(S_OK, lib_.registerServer());
    const RegistrySnapshot after = ClassesView(HKEY_CLASSES_ROOT, L"");
    const RegistrySnapshot added = Difference(after, before);
    const RegistrySnapshot expected = ExpectedClassEntries(L"", LoadedLibrary::Path());
    for (const auto& line : expected)
        EXPECT_TRUE(added.count(line)) << "missing: " << std::string(line.begin(), line.end());
    // Besides the class entries only the type library's own records appear.
    for (const auto& line : added) {
        if (expected.count(line)) continue;
        EXPECT_TRUE(StartsWith(line, std::wstring(L"TypeLib\\") + kLibId) ||
                    StartsWith(line, L"Interface\\") ||
                    StartsWith(line, L"Wow6432Node\\Interface\\"))
            << "unexpected: " << std::string(line.begin(), line.end());
    }
    EXPECT_TRUE(added.count(std::wstring(L"TypeLib\\") + kLibId + L"\\1.2"));

    // Registering again leaves one set of entries.
    ASSERT_EQ(S_OK, lib_.registerServer());
    EXPECT_EQ(after, ClassesView(HKEY_CLASSES_ROOT, L""));

    ASSERT_EQ(S_OK, lib_.unregisterServer());
    EXPECT_EQ(before, ClassesView(HKEY_CLASSES_ROOT, L""))
        << "unregistering removes what registering wrote";
    HKEY clsidRoot = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, &clsidRoot));
    RegCloseKey(clsidRoot);
}

TEST_F(RegistrationTest, ForeignSubkeysSurviveUnregistrationAndReplacedKeysAreRewritten) {
    ASSERT_EQ(S_OK, lib_.registerServer());
    const std::wstring zipKey = std::wstring(L"CLSID\\") + kClsids[4];
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CLASSES_ROOT, (zipKey + L"\\Implemented Categories").c_str(), 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Velmor.Zip.1\\Shell", 0, nullptr,
                                             0, KEY_WRITE, nullptr, &key, nullptr));
    RegCloseKey(key);

    ASSERT_EQ(S_OK, lib_.unregisterServer());
    const RegistrySnapshot left = OwnEntries(ClassesView(HKEY_CLASSES_ROOT, L""));
    EXPECT_TRUE(left.count(zipKey + L"\\Implemented Categories"));
    EXPECT_TRUE(left.count(zipKey)) << "a key that others added subkeys to survives";
    EXPECT_FALSE(left.count(zipKey + L"\\ProgID"));
    EXPECT_TRUE(left.count(L"Velmor.Zip.1\\Shell"));
    EXPECT_FALSE(left.count(L"Velmor.Zip.1\\CLSID"));
    EXPECT_FALSE(left.count(std::wstring(L"CLSID\\") + kClsids[0]));

    // The class key is replaced on registration: the foreign subkey below it goes, the one
    // below the ProgID stays.
    ASSERT_EQ(S_OK, lib_.registerServer());
    const RegistrySnapshot again = OwnEntries(ClassesView(HKEY_CLASSES_ROOT, L""));
    EXPECT_FALSE(again.count(zipKey + L"\\Implemented Categories"));
    EXPECT_TRUE(again.count(L"Velmor.Zip.1\\Shell"));
    RegDeleteKeyW(HKEY_CLASSES_ROOT, L"Velmor.Zip.1\\Shell");
}

TEST_F(RegistrationTest, InstallWithUserRegistersPerUserAndOnlyExactlyUser) {
    ASSERT_EQ(S_OK, lib_.unregisterServer());
    for (const wchar_t* notUser : {L"users", L"use", L""}) {
        ASSERT_EQ(S_OK, lib_.install(TRUE, notUser));
        EXPECT_FALSE(OwnEntries(ClassesView(HKEY_CLASSES_ROOT, L"")).empty())
            << "machine-wide for other words";
        ASSERT_EQ(S_OK, lib_.install(FALSE, notUser));
    }
    ASSERT_EQ(S_OK, lib_.install(TRUE, nullptr));
    ASSERT_EQ(S_OK, lib_.install(FALSE, nullptr));
    const RegistrySnapshot machineBefore = OwnEntries(ClassesView(HKEY_CLASSES_ROOT, L""));

    const std::wstring userRoot = L"Software\\Classes";
    const RegistrySnapshot before = ClassesView(HKEY_CURRENT_USER, userRoot);
    ASSERT_EQ(S_OK, lib_.install(TRUE, L"USER"));
    const RegistrySnapshot added = Difference(ClassesView(HKEY_CURRENT_USER, userRoot), before);
    for (const auto& line : ExpectedClassEntries(userRoot, LoadedLibrary::Path()))
        EXPECT_TRUE(added.count(line))
            << "missing per user: " << std::string(line.begin(), line.end());
    // Nothing of the class entries lands machine-wide.
    const RegistrySnapshot machineAfter =
        OwnEntries(ClassesView(HKEY_LOCAL_MACHINE, L"Software\\Classes"));
    for (const auto& line : machineAfter)
        EXPECT_EQ(std::wstring::npos, line.find(L"Velmor."))
            << std::string(line.begin(), line.end());

    // Once set, per-user mode stays for the loaded library: unregistering removes the user's
    // entries again.
    ASSERT_EQ(S_OK, lib_.unregisterServer());
    // Only the shared CLSID key may stay behind (it is never removed).
    RegistrySnapshot left = Difference(ClassesView(HKEY_CURRENT_USER, userRoot), before);
    left.erase(userRoot + L"\\CLSID");
    EXPECT_TRUE(left.empty()) << left.size() << " entries left, first: "
                              << (left.empty()
                                      ? std::string()
                                      : std::string(left.begin()->begin(), left.begin()->end()));
    EXPECT_TRUE(Difference(before, ClassesView(HKEY_CURRENT_USER, userRoot)).empty());
    EXPECT_EQ(machineBefore, OwnEntries(ClassesView(HKEY_CLASSES_ROOT, L"")));
}

// A registry that fails its n-th value write, over a scratch key of the current user.
class FailingRegistry : public velmor::RegistryBackend {
public:
    FailingRegistry(velmor::RegistryBackend& real, int failAt) : real_(real), failAt_(failAt) {}
    LONG CreateKey(const std::wstring& p) override { return real_.CreateKey(p); }
    LONG SetValue(const std::wstring& p, const std::wstring& n, const std::wstring& d) override {
        if (++writes_ == failAt_) return ERROR_ACCESS_DENIED;
        return real_.SetValue(p, n, d);
    }
    LONG DeleteTree(const std::wstring& p) override { return real_.DeleteTree(p); }
    LONG DeleteValue(const std::wstring& p, const std::wstring& n) override {
        return real_.DeleteValue(p, n);
    }
    velmor::KeyRemoval RemoveKeyIfLeaf(const std::wstring& p) override {
        return real_.RemoveKeyIfLeaf(p);
    }

private:
    velmor::RegistryBackend& real_;
    int failAt_;
    int writes_ = 0;
};

TEST(RegistrarTest, AScriptThatFailsPartWayIsRolledBack) {
    const std::wstring scratch = L"Software\\VelmorRegistrarTest";
    velmor::Win32RegistryBackend real(HKEY_CURRENT_USER, scratch);
    const velmor::ClassInfo zip{&CLSID_OrvZip, L"OrvZip",       L"Velmor.Zip.1",
                                L"Velmor.Zip", L"OrvZip Class", nullptr};
    const velmor::RegScript script = velmor::BuildClassScript(zip, L"C:\\x\\VelmorCOM.dll");
    // Succeeds: the whole script is there; then count its value writes.
    ASSERT_EQ(S_OK, velmor::RegisterScript(real, script));
    const RegistrySnapshot full = Snapshot(HKEY_CURRENT_USER, scratch);
    EXPECT_TRUE(full.count(scratch +
                           L"\\CLSID\\{5E6A0A2E-DD70-434D-81D7-7CFFB7DECC0C}\\InprocServer32|"
                           L"ThreadingModel=Apartment"));
    ASSERT_EQ(S_OK, velmor::UnregisterScript(real, script));
    const RegistrySnapshot empty = Snapshot(HKEY_CURRENT_USER, scratch);
    EXPECT_EQ((RegistrySnapshot{scratch, scratch + L"\\CLSID"}), empty)
        << "only the shared CLSID key stays";

    for (int failAt = 1; failAt <= 9; ++failAt) {
        FailingRegistry failing(real, failAt);
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), velmor::RegisterScript(failing, script))
            << failAt;
        EXPECT_EQ(empty, Snapshot(HKEY_CURRENT_USER, scratch))
            << "nothing of the script is left after write " << failAt;
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
}

}  // namespace

#include "module/registry_backend.h"

#include "base/win/handle_traits.h"

namespace velmor {

Win32RegistryBackend::Win32RegistryBackend(HKEY root, std::wstring prefix)
    : root_(root), prefix_(std::move(prefix)) {}

std::wstring Win32RegistryBackend::Full(const std::wstring& path) const {
    if (prefix_.empty()) return path;
    if (path.empty()) return prefix_;
    return prefix_ + L"\\" + path;
}

LONG Win32RegistryBackend::CreateKey(const std::wstring& path) {
    ScopedHKey key;
    return RegCreateKeyExW(root_, Full(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE, nullptr, key.receive(), nullptr);
}

LONG Win32RegistryBackend::SetValue(const std::wstring& path, const std::wstring& name,
                                    const std::wstring& data) {
    ScopedHKey key;
    LONG rc = RegOpenKeyExW(root_, Full(path).c_str(), 0, KEY_SET_VALUE, key.receive());
    if (rc != ERROR_SUCCESS) return rc;
    const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()), bytes);
}

namespace {

// Depth-first removal, for platforms without RegDeleteTree in the key's own API.
LONG DeleteTreeBelow(HKEY parent, const std::wstring& name) {
    ScopedHKey key;
    LONG rc = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE | DELETE, key.receive());
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    wchar_t child[256];
    for (;;) {
        DWORD len = 256;
        rc = RegEnumKeyExW(key.get(), 0, child, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return rc;
        rc = DeleteTreeBelow(key.get(), child);
        if (rc != ERROR_SUCCESS) return rc;
    }
    key.reset();
    rc = RegDeleteKeyW(parent, name.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

}  // namespace

LONG Win32RegistryBackend::DeleteTree(const std::wstring& path) {
    return DeleteTreeBelow(root_, Full(path));
}

LONG Win32RegistryBackend::DeleteValue(const std::wstring& path, const std::wstring& name) {
    ScopedHKey key;
    LONG rc = RegOpenKeyExW(root_, Full(path).c_str(), 0, KEY_SET_VALUE, key.receive());
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegDeleteValueW(key.get(), name.empty() ? nullptr : name.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

KeyRemoval Win32RegistryBackend::RemoveKeyIfLeaf(const std::wstring& path) {
    const std::wstring full = Full(path);
    {
        ScopedHKey key;
        LONG rc = RegOpenKeyExW(root_, full.c_str(), 0, KEY_READ, key.receive());
        if (rc == ERROR_FILE_NOT_FOUND) return KeyRemoval::Missing;
        if (rc != ERROR_SUCCESS) return KeyRemoval::Failed;
        DWORD subkeys = 0;
        rc = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) return KeyRemoval::Failed;
        if (subkeys > 0) return KeyRemoval::HasSubkeys;
    }
    LONG rc = RegDeleteKeyW(root_, full.c_str());
    if (rc == ERROR_SUCCESS) return KeyRemoval::Removed;
    return rc == ERROR_FILE_NOT_FOUND ? KeyRemoval::Missing : KeyRemoval::Failed;
}

}  // namespace velmor

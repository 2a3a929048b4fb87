// Reads a registry subtree into a flat, sorted set of "key|value=data" lines for comparisons.
#pragma once
#include <windows.h>

#include <set>
#include <string>

namespace velmor::test {

using RegistrySnapshot = std::set<std::wstring>;

inline void SnapshotKey(HKEY parent, const std::wstring& path, RegistrySnapshot* out) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    out->insert(path);
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLen = 16384, type = 0, dataLen = 0;
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, nullptr, &dataLen) !=
            ERROR_SUCCESS)
            break;
        std::wstring data(dataLen / sizeof(wchar_t) + 1, L'\0');
        DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        nameLen = 16384;
        RegEnumValueW(key, i, name, &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                      &bytes);
        data.resize(wcsnlen(data.c_str(), data.size()));
        out->insert(path + L"|" + name + L"=" + (type == REG_SZ ? data : L"<binary>"));
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD len = 256;
        if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        SnapshotKey(parent, path.empty() ? name : path + L"\\" + name, out);
    }
    RegCloseKey(key);
}

// Every key and value below `path` (all of the root when empty), with paths relative to `parent`.
inline RegistrySnapshot Snapshot(HKEY parent, const std::wstring& path) {
    RegistrySnapshot snapshot;
    SnapshotKey(parent, path, &snapshot);
    return snapshot;
}

// The names of the direct subkeys of `path`, each as "path\\name" ("name" for the root).
inline RegistrySnapshot ChildNames(HKEY parent, const std::wstring& path) {
    RegistrySnapshot names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD len = 256;
        if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.insert(path.empty() ? name : path + L"\\" + name);
    }
    RegCloseKey(key);
    return names;
}

inline RegistrySnapshot Difference(const RegistrySnapshot& a, const RegistrySnapshot& b) {
    RegistrySnapshot out;
    for (const auto& line : a)
        if (!b.count(line)) out.insert(line);
    return out;
}

}  // namespace velmor::test

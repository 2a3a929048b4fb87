#include "test_sandbox.h"

#include <algorithm>

namespace velmor::zip::test {

namespace {

std::wstring TempRoot() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring root(buffer, n);
    if (!root.empty() && root.back() == L'\\') root.pop_back();
    return root;
}

void ListInto(const std::wstring& base, const std::wstring& relative,
              std::vector<std::wstring>* out) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((base + L"\\" + relative + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out->push_back(relative + name + L"\\");
            ListInto(base, relative + name + L"\\", out);
        } else {
            out->push_back(relative + name);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

}  // namespace

Sandbox::~Sandbox() {
    const std::wstring current = CurrentDirectory();
    if (current.compare(0, path().size(), path()) == 0) SetCurrentDirectoryW(TempRoot().c_str());
}

CurrentDirectoryGuard::CurrentDirectoryGuard() : saved_(CurrentDirectory()) {}
CurrentDirectoryGuard::~CurrentDirectoryGuard() { SetCurrentDirectoryW(saved_.c_str()); }

std::wstring CurrentDirectory() {
    wchar_t buffer[32768];
    const DWORD n = GetCurrentDirectoryW(32768, buffer);
    return std::wstring(buffer, n);
}

std::string ReadFileBytes(const std::wstring& path, bool* found) {
    if (found) *found = false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    if (found) *found = true;
    return bytes;
}

std::vector<std::wstring> ListTree(const std::wstring& folder) {
    std::vector<std::wstring> out;
    ListInto(folder, L"", &out);
    std::sort(out.begin(), out.end());
    return out;
}

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool PlatformProtectsReadOnlyFiles(const std::wstring& folder) {
    const std::wstring probe = folder + L"\\readonly-probe";
    WriteFileBytes(probe, "probe");
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool refused = file == INVALID_HANDLE_VALUE;
    if (!refused) CloseHandle(file);
    RemoveTree(probe);
    return refused;
}

bool GetTimes(const std::wstring& path, uint64_t* creation, uint64_t* access, uint64_t* write) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    auto join = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    *creation = join(data.ftCreationTime);
    *access = join(data.ftLastAccessTime);
    *write = join(data.ftLastWriteTime);
    return true;
}

}  // namespace velmor::zip::test

#include "test_sandbox.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

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

Sandbox::Sandbox() {
    static std::atomic<unsigned> counter{0};
    const std::wstring root = TempRoot();
    for (;;) {
        path_ = root + L"\\zipreader-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter++);
        if (CreateDirectoryW(path_.c_str(), nullptr)) return;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("sandbox");
    }
}

Sandbox::~Sandbox() {
    const std::wstring current = CurrentDirectory();
    if (current.compare(0, path_.size(), path_) == 0) SetCurrentDirectoryW(TempRoot().c_str());
    RemoveTree(path_);
}

CurrentDirectoryGuard::CurrentDirectoryGuard() : saved_(CurrentDirectory()) {}
CurrentDirectoryGuard::~CurrentDirectoryGuard() { SetCurrentDirectoryW(saved_.c_str()); }

std::wstring CurrentDirectory() {
    wchar_t buffer[32768];
    const DWORD n = GetCurrentDirectoryW(32768, buffer);
    return std::wstring(buffer, n);
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create test file");
    DWORD written = 0;
    const BOOL ok = bytes.empty() ||
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("cannot write test file");
}

std::string ReadFileBytes(const std::wstring& path, bool* found) {
    if (found) *found = false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    if (found) *found = true;
    return bytes;
}

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> ListTree(const std::wstring& folder) {
    std::vector<std::wstring> out;
    ListInto(folder, L"", &out);
    std::sort(out.begin(), out.end());
    return out;
}

void RemoveTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
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

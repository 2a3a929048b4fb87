// Scratch folders and the file helpers that go with them, shared by every test that
// needs real files.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace velmor::test {

inline bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes a file, or a folder with everything below it, read-only entries included.
inline void RemoveTree(const std::wstring& path) {
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

// Creates or replaces a file with exactly these bytes; throws when it cannot.
inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create test file");
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                               &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("cannot write test file");
}

// A uniquely named folder under the temp directory, removed with everything in it
// when the holder goes. Throws when no folder can be made.
class TempDir {
public:
    TempDir() {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);  // ends in a backslash
        static LONG counter = 0;
        for (;;) {
            path_ = std::wstring(base) + L"velmor-test-" + std::to_wstring(GetCurrentProcessId()) +
                    L"-" + std::to_wstring(InterlockedIncrement(&counter));
            if (CreateDirectoryW(path_.c_str(), nullptr)) return;
            if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("no temp folder");
        }
    }
    ~TempDir() { RemoveTree(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Without a trailing backslash.
    const std::wstring& path() const noexcept { return path_; }
    // path() + "\" + name
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    std::wstring operator/(const std::wstring& name) const { return file(name); }

private:
    std::wstring path_;
};

}  // namespace velmor::test

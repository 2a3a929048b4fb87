// A private folder for each reader test, and the file helpers the tests share.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace velmor::zip::test {

class Sandbox {
public:
    Sandbox();
    // Leaves the folder (so it is not the current directory) and removes it with
    // everything in it, read-only files included.
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // Without a trailing backslash.
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Keeps the process's current directory and puts it back.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard();
    ~CurrentDirectoryGuard();
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

private:
    std::wstring saved_;
};

std::wstring CurrentDirectory();
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Empty when the file cannot be read; found reports whether it could.
std::string ReadFileBytes(const std::wstring& path, bool* found = nullptr);
bool PathExists(const std::wstring& path);
// Files and folders below folder, as relative paths with backslashes, sorted; folders end
// in a backslash.
std::vector<std::wstring> ListTree(const std::wstring& folder);
void RemoveTree(const std::wstring& path);
// True under Wine, which cannot set a file's creation time on its host file systems.
bool RunningUnderWine();
// True when the platform refuses to replace a read-only file (Windows does; Wine running
// as root does not).
bool PlatformProtectsReadOnlyFiles(const std::wstring& folder);
// Times of a file: creation, access, write.
bool GetTimes(const std::wstring& path, uint64_t* creation, uint64_t* access, uint64_t* write);

}  // namespace velmor::zip::test

// A private folder for each reader test, and the file helpers the tests share.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "temp_dir.h"

namespace velmor::zip::test {

using velmor::test::PathExists;
using velmor::test::RemoveTree;
using velmor::test::WriteFileBytes;

class Sandbox : public velmor::test::TempDir {
public:
    Sandbox() = default;
    // Leaves the folder first, so that it is not the current directory when it goes.
    ~Sandbox();
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
// Empty when the file cannot be read; found reports whether it could.
std::string ReadFileBytes(const std::wstring& path, bool* found = nullptr);
// Files and folders below folder, as relative paths with backslashes, sorted; folders end
// in a backslash.
std::vector<std::wstring> ListTree(const std::wstring& folder);
// True under Wine, which cannot set a file's creation time on its host file systems.
bool RunningUnderWine();
// True when the platform refuses to replace a read-only file (Windows does; Wine running
// as root does not).
bool PlatformProtectsReadOnlyFiles(const std::wstring& folder);
// Times of a file: creation, access, write.
bool GetTimes(const std::wstring& path, uint64_t* creation, uint64_t* access, uint64_t* write);

}  // namespace velmor::zip::test

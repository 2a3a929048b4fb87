// Whole-file reads and writes for the FTP tests' byte comparisons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace velmor::ftp::testing {

bool FileExistsOnDisk(const std::wstring& path);
// The whole file; *ok is false when it cannot be read.
std::vector<BYTE> ReadWholeFile(const std::wstring& path, bool* ok = nullptr);
void WriteWholeFile(const std::wstring& path, const std::vector<BYTE>& bytes);

}  // namespace velmor::ftp::testing

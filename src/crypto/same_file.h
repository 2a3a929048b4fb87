#pragma once

#include <windows.h>

#include <string>

namespace velmor::crypto {

// True when `otherPath` names the file that is open as `openFile` (opened
// from `openPath`): either both paths resolve to the same full path, or the
// other path names an existing file with the same volume serial number and
// file index (a hard link, another spelling of the same folder, a share).
bool NamesSameFile(HANDLE openFile, const std::wstring& openPath, const std::wstring& otherPath);

}  // namespace velmor::crypto

// Folders below the extraction root, and the check that keeps entry names inside it.
#pragma once

#include <string>

namespace velmor::zip {

// Longest joined path (root folder followed by an entry name) in UTF-16 units.
constexpr size_t kMaxJoinedPathLength = 259;

// Makes the folders of a relative path below root, parents first. Failures (most often:
// the folder exists) are ignored.
void EnsureFolders(const std::wstring& root, const std::wstring& path);

// True when the name, joined to any root, stays inside it: no leading separator (root of
// the drive or UNC), no colon (drive prefix or alternate data stream), no parent step that
// climbs above the root, no component that Windows would trim into a parent step, and no
// reserved device name.
bool IsContainedEntryName(const std::wstring& name);

// The folder part of a file entry's name that may be made: the text before the last
// separator, or empty when there is none or when it begins with a separator, names a
// drive, or holds a parent step.
std::wstring FolderPartToMake(const std::wstring& name);

}  // namespace velmor::zip

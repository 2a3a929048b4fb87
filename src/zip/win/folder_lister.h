// The folder walk's seam on Win32: the items of a folder on disk. A folder reached a second
// time (through a link the platform does not report as one) is reported as a link, so that
// no walk can loop.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "zip/folder_walk.h"

namespace velmor::zip {

class DiskFolderLister final : public FolderLister {
public:
    explicit DiskFolderLister(const std::wstring& root);
    bool List(const std::wstring& relativePath, std::vector<FolderItem>* items) override;
    // The path on disk of a relative path.
    std::wstring PathOf(const std::wstring& relativePath) const;

private:
    // False when the folder is one listed already (or cannot be identified).
    bool FirstVisit(const std::wstring& path);

    std::wstring root_;  // without a trailing separator, unless a drive's root
    std::set<std::pair<uint32_t, uint64_t>> visited_;  // volume serial, file index
};

// Whether path names an existing folder.
bool IsFolder(const std::wstring& path);

}  // namespace velmor::zip

// Walking a folder for AddFolder: which files and empty folders become entries, decided
// from the masks and flags over a narrow seam that lists one folder (Win32 in win/).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/name_mask.h"

namespace velmor::zip {

// One thing a folder holds, as its lister sees it.
struct FolderItem {
    std::wstring name;
    bool folder = false;
    bool hidden = false;  // hidden or system
    bool link = false;    // a link or junction; a linked folder is never entered
    uint64_t size = 0;    // of a file
};

class FolderLister {
public:
    virtual ~FolderLister() = default;
    // The items of the folder at relativePath ("" for the walked folder itself, else
    // "/"-separated), without "." and "..". False when it cannot be listed.
    virtual bool List(const std::wstring& relativePath, std::vector<FolderItem>* items) = 0;
};

struct WalkOptions {
    bool recurse = false;     // subfolders too
    bool skipHidden = false;  // hidden and system files and folders left out
};

struct WalkedEntry {
    std::wstring relativePath;  // "/"-separated
    bool folder = false;        // an empty folder, kept as a folder entry
    uint64_t size = 0;
};

// The entries in a stable order: each folder's items by folded name, a subfolder's entries
// where the subfolder stands. A subfolder that gives no entry becomes a folder entry when the
// masks take every file (PicksEveryFile), so that "*.tmp left out" keeps the tree's shape
// while "*.xml" gives XML files alone. Linked folders are left out. False when a folder
// cannot be listed.
bool WalkFolder(FolderLister& lister, const FolderMasks& masks, NameFold fold,
                const WalkOptions& options, std::vector<WalkedEntry>* entries);

}  // namespace velmor::zip

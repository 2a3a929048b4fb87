#include "zip/folder_add.h"

#include <windows.h>

#include <algorithm>

#include "zip/archive_update.h"
#include "zip/folder_walk.h"
#include "zip/pack.h"
#include "zip/win/folder_lister.h"
#include "zip/win/name_fold.h"

namespace velmor::zip {

bool NormalizeEntryFolder(const std::wstring& entryFolder, std::wstring* normalized) {
    std::wstring name = entryFolder;
    std::replace(name.begin(), name.end(), L'\\', L'/');
    const size_t first = name.find_first_not_of(L'/');
    if (first == std::wstring::npos) {
        normalized->clear();
        return true;
    }
    name = name.substr(first, name.find_last_not_of(L'/') - first + 1);
    if (name.find(L':') != std::wstring::npos) return false;
    for (size_t start = 0; start <= name.size();) {
        size_t end = name.find(L'/', start);
        if (end == std::wstring::npos) end = name.size();
        const std::wstring part = name.substr(start, end - start);
        if (part.empty() || part == L"." || part == L"..") return false;
        start = end + 1;
    }
    *normalized = name;
    return true;
}

namespace {

// The full path of a path, case folded; empty when it has none.
std::wstring FullPathKey(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return std::wstring();
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) return std::wstring();
    full.resize(length);
    return FoldNameCase(full);
}

}  // namespace

long AddFolder(const FolderRequest& request, const std::string& password,
               EntryEncryption encryption, int level, ProgressSink* progress) {
    if (request.folder.empty() || !IsFolder(request.folder)) return kResultAddError;
    DiskFolderLister lister(request.folder);
    const FolderMasks masks(request.masks, FoldNameCase);
    WalkOptions options;
    options.recurse = (request.flags & kFolderRecurse) != 0;
    options.skipHidden = (request.flags & kFolderSkipHidden) != 0;
    std::vector<WalkedEntry> walked;
    if (!WalkFolder(lister, masks, FoldNameCase, options, &walked)) return kResultAddError;
    if (walked.empty()) return kResultFileNamesError;

    std::vector<FileListPair> pairs;
    pairs.reserve(walked.size());
    const std::wstring prefix =
        request.entryFolder.empty() ? std::wstring() : request.entryFolder + L'/';
    // The archive itself, when it lies in the folder, is never one of its own entries.
    const std::wstring archiveKey = FullPathKey(request.archiveName);
    for (const WalkedEntry& entry : walked) {
        std::wstring source = lister.PathOf(entry.relativePath);
        if (!entry.folder && FullPathKey(source) == archiveKey) continue;
        pairs.push_back({prefix + entry.relativePath, std::move(source), entry.folder});
    }
    if (pairs.empty()) return kResultFileNamesError;
    if (request.flags & kFolderNewArchive)
        return PackPairs(request.archiveName, pairs, password, encryption, level, progress);
    return AddPairs(request.archiveName, pairs, password, encryption, level, progress);
}

}  // namespace velmor::zip

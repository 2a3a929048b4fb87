#include "zip/unpack.h"

#include <windows.h>

#include <vector>

#include "zip/entry_selection.h"
#include "zip/extract.h"
#include "zip/extract_folders.h"
#include "zip/reader.h"

namespace velmor::zip {

namespace {

using EntryStep = ArchiveStatus (*)(ArchiveReader&, int32_t, const std::wstring&);

long ResultFor(ArchiveStatus status) {
    if (status == ArchiveStatus::Ok) return kResultOk;
    return status == ArchiveStatus::BadPassword ? kResultWrongPassword : kResultGeneralError;
}

// Runs `step` over the entries in directory order (only the picked ones when `picked` is
// given), stopping at the first failure.
long RunEntries(ArchiveReader& reader, EntryStep step, const std::vector<bool>* picked) {
    ArchiveEntry entry;
    const int32_t count = reader.entryCount();
    for (int32_t i = 0; i < count; ++i) {
        if (picked && !(*picked)[i]) continue;
        ArchiveStatus status = reader.GetItem(i, &entry);
        if (status == ArchiveStatus::Ok) status = step(reader, i, entry.name);
        if (status != ArchiveStatus::Ok) return ResultFor(status);
    }
    return kResultOk;
}

bool ArgumentsFit(const std::wstring& archiveName, const std::string& password) {
    return archiveName.size() <= kMaxUnpackPathLength && password.size() <= kMaxPasswordBytes;
}

// The full path of a folder with a trailing separator, or false when it does not fit.
bool RootFolderOf(const std::wstring& folder, std::wstring* root) {
    if (folder.empty()) return CaptureRootFolder(root);
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetFullPathNameW(folder.c_str(), MAX_PATH + 1, buffer, nullptr);
    if (length == 0 || length > MAX_PATH) return false;
    std::wstring full(buffer, length);
    if (full.back() != L'\\' && full.back() != L'/') full.push_back(L'\\');
    if (full.size() > kMaxRootFolderLength) return false;
    *root = std::move(full);
    return true;
}

}  // namespace

bool EnterExtractFolder(const std::wstring& path) {
    if (path.empty() || path.size() > kMaxUnpackPathLength) return path.empty();
    if (SetCurrentDirectoryW(path.c_str())) return true;
    EnsureFolders(std::wstring(), path);
    return SetCurrentDirectoryW(path.c_str()) != FALSE;
}

long UnpackArchive(const std::wstring& archiveName, const std::wstring& extractPath,
                   const std::string& password) {
    if (!EnterExtractFolder(extractPath)) return kResultOpenArchiveError;
    if (!ArgumentsFit(archiveName, password)) return kResultOpenArchiveError;
    std::unique_ptr<ArchiveReader> reader = ArchiveReader::Open(archiveName, password);
    if (!reader) return kResultOpenArchiveError;
    return RunEntries(*reader, &ExtractEntry, nullptr);
}

long TestArchive(const std::wstring& archiveName, const std::string& password) {
    if (!ArgumentsFit(archiveName, password)) return kResultOpenArchiveError;
    std::unique_ptr<ArchiveReader> reader = ArchiveReader::Open(archiveName, password);
    if (!reader) return kResultOpenArchiveError;
    return RunEntries(*reader, &TestEntry, nullptr);
}

long UnpackFiles(const std::wstring& archiveName, const std::wstring& names,
                 const std::wstring& extractPath, const std::string& password) {
    std::wstring root;
    if (extractPath.size() > kMaxUnpackPathLength || !RootFolderOf(extractPath, &root) ||
        !ArgumentsFit(archiveName, password)) {
        return kResultOpenArchiveError;
    }
    std::unique_ptr<ArchiveReader> reader = ArchiveReader::Open(archiveName, password, root);
    if (!reader) return kResultOpenArchiveError;

    // Every name must pick something before anything is made.
    EntrySelection selection(names);
    std::vector<bool> picked(static_cast<size_t>(reader->entryCount()), false);
    ArchiveEntry entry;
    for (int32_t i = 0; i < reader->entryCount(); ++i) {
        if (reader->GetItem(i, &entry) == ArchiveStatus::Ok)
            picked[i] = selection.Picks(entry.name);
    }
    if (!selection.AllNamesUsed()) return kResultValueNotFound;

    EnsureFolders(std::wstring(), root);
    if (GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) return kResultOpenArchiveError;
    return RunEntries(*reader, &ExtractEntry, &picked);
}

}  // namespace velmor::zip

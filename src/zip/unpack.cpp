#include "zip/unpack.h"

#include <windows.h>

#include <vector>

#include "zip/entry_selection.h"
#include "zip/extract.h"
#include "zip/extract_threads.h"
#include "zip/extract_folders.h"
#include "zip/pack.h"
#include "zip/reader.h"

namespace velmor::zip {

namespace {

using EntryStep = ArchiveStatus (*)(ArchiveReader&, int32_t, const std::wstring&, ProgressTally*);

// How a call treats its entries: written to disk, or only read and checked.
enum class EntryWork { Extract, Test };

long ResultFor(ArchiveStatus status) {
    switch (status) {
        case ArchiveStatus::Ok:
            return kResultOk;
        case ArchiveStatus::BadPassword:
            return kResultWrongPassword;
        case ArchiveStatus::Cancelled:
            return kResultCancelled;
        default:
            return kResultGeneralError;
    }
}

// Uncompressed bytes of the entries a call works on, for its progress.
int64_t TotalBytes(ArchiveReader& reader, const std::vector<bool>* picked) {
    int64_t total = 0;
    ArchiveEntry entry;
    for (int32_t i = 0; i < reader.entryCount(); ++i) {
        if (picked && !(*picked)[i]) continue;
        if (reader.GetItem(i, &entry) == ArchiveStatus::Ok) {
            total += static_cast<int64_t>(entry.uncompressedSize);
        }
    }
    return total;
}

// Runs the entries in directory order (only the picked ones when `picked` is given),
// stopping at the first failure: on ReadThreads() workers, or one after the other on the
// calling thread, with the same files on disk and the same result.
long RunEntries(ArchiveReader& reader, EntryWork work, const std::vector<bool>* picked,
                ProgressSink* progress) {
    ProgressTally tally(progress, progress ? TotalBytes(reader, picked) : 0);
    if (!tally.Start()) return kResultCancelled;
    if (PackThreads() > 1) {
        bool ran = false;
        const ArchiveStatus status =
            ExtractWithThreads(reader, picked, work == EntryWork::Extract, tally, &ran);
        if (ran) {
            if (status == ArchiveStatus::Ok) tally.Finish();
            return ResultFor(status);
        }
    }
    const EntryStep step = work == EntryWork::Extract ? &ExtractEntry : &TestEntry;
    ArchiveEntry entry;
    const int32_t count = reader.entryCount();
    for (int32_t i = 0; i < count; ++i) {
        if (picked && !(*picked)[i]) continue;
        ArchiveStatus status = reader.GetItem(i, &entry);
        tally.SetName(entry.name);
        if (status == ArchiveStatus::Ok) status = step(reader, i, entry.name, &tally);
        if (status != ArchiveStatus::Ok) return ResultFor(status);
    }
    tally.Finish();
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
                   const std::string& password, ProgressSink* progress) {
    if (!EnterExtractFolder(extractPath)) return kResultOpenArchiveError;
    if (!ArgumentsFit(archiveName, password)) return kResultOpenArchiveError;
    std::unique_ptr<ArchiveReader> reader = ArchiveReader::Open(archiveName, password);
    if (!reader) return kResultOpenArchiveError;
    return RunEntries(*reader, EntryWork::Extract, nullptr, progress);
}

long TestArchive(const std::wstring& archiveName, const std::string& password,
                 ProgressSink* progress) {
    if (!ArgumentsFit(archiveName, password)) return kResultOpenArchiveError;
    std::unique_ptr<ArchiveReader> reader = ArchiveReader::Open(archiveName, password);
    if (!reader) return kResultOpenArchiveError;
    return RunEntries(*reader, EntryWork::Test, nullptr, progress);
}

long UnpackFiles(const std::wstring& archiveName, const std::wstring& names,
                 const std::wstring& extractPath, const std::string& password,
                 ProgressSink* progress) {
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
    return RunEntries(*reader, EntryWork::Extract, &picked, progress);
}

}  // namespace velmor::zip

#include "zip/unpack.h"

#include <windows.h>

#include "zip/extract.h"
#include "zip/extract_folders.h"
#include "zip/reader.h"

namespace velmor::zip {

bool EnterExtractFolder(const std::wstring& path) {
    if (path.empty() || path.size() > kMaxUnpackPathLength) return path.empty();
    if (SetCurrentDirectoryW(path.c_str())) return true;
    EnsureFolders(std::wstring(), path);
    return SetCurrentDirectoryW(path.c_str()) != FALSE;
}

long UnpackArchive(const std::wstring& archiveName, const std::wstring& extractPath,
                   const std::string& password) {
    if (!EnterExtractFolder(extractPath)) return kResultOpenArchiveError;
    if (archiveName.size() > kMaxUnpackPathLength || password.size() > kMaxPasswordBytes) {
        return kResultOpenArchiveError;
    }

    std::unique_ptr<ArchiveReader> reader = ArchiveReader::Open(archiveName, password);
    if (!reader) return kResultOpenArchiveError;

    ArchiveEntry entry;
    reader->GetItem(-1, &entry);
    const int32_t count = entry.index;
    for (int32_t i = 0; i < count; ++i) {
        ArchiveStatus status = reader->GetItem(i, &entry);
        if (status == ArchiveStatus::Ok) status = ExtractEntry(*reader, i, entry.name);
        if (status == ArchiveStatus::BadPassword) return kResultWrongPassword;
        if (status != ArchiveStatus::Ok) return kResultGeneralError;
    }
    return kResultOk;
}

}  // namespace velmor::zip

#include "crypto/win/replacement_file.h"

namespace velmor::crypto {

namespace {

// The folder part of a full path, with its trailing separator.
std::wstring FolderOf(const std::wstring& fullPath) {
    const size_t slash = fullPath.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : fullPath.substr(0, slash + 1);
}

}  // namespace

ReplacementFile::~ReplacementFile() {
    if (!committed_ && !temporary_.empty()) DeleteFileW(temporary_.c_str());
}

bool ReplacementFile::Create(const std::wstring& target) {
    wchar_t full[MAX_PATH + 1];
    const DWORD length = GetFullPathNameW(target.c_str(), MAX_PATH + 1, full, nullptr);
    if (length == 0) return false;
    if (length > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    target_.assign(full, length);
    // Refused now rather than after the work: a folder or a read-only file is never replaced.
    const DWORD attributes = GetFileAttributesW(target_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // A missing folder is told as such (the temporary name alone would say "invalid folder").
    const std::wstring folder = FolderOf(target_);
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    wchar_t temporary[MAX_PATH + 1];
    if (GetTempFileNameW(folder.c_str(), L"~vc", 0, temporary) == 0) return false;
    temporary_ = temporary;
    return true;
}

bool ReplacementFile::Commit() {
    committed_ = MoveFileExW(temporary_.c_str(), target_.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    return committed_;
}

}  // namespace velmor::crypto

#include <windows.h>

#include "base/win/handle_traits.h"
#include "zip/write/archive_output.h"

namespace velmor::zip {

namespace {

// The folder part of a full path, with its trailing separator.
std::wstring FolderOf(const std::wstring& fullPath) {
    const size_t slash = fullPath.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : fullPath.substr(0, slash + 1);
}

// False when a file of that name exists and could not be replaced by this process now.
bool Replaceable(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;
    // Opened as the archive used to be opened for writing: refused while others use it.
    ScopedFileHandle probe(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return probe.valid();
}

class ArchiveFile final : public ArchiveOutput {
public:
    ArchiveFile(ScopedFileHandle file, std::wstring temporary, std::wstring target)
        : file_(std::move(file)), temporary_(std::move(temporary)), target_(std::move(target)) {}

    ~ArchiveFile() override {
        if (committed_) return;
        file_.reset();
        DeleteFileW(temporary_.c_str());
    }

    uint32_t Write(const void* data, uint32_t size) override {
        DWORD done = 0;
        if (!WriteFile(file_.get(), data, size, &done, nullptr)) return 0;
        return done;
    }

    bool SeekTo(uint64_t position) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(position);
        return SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN) != FALSE;
    }

    bool Commit() override {
        if (!FlushFileBuffers(file_.get())) return false;
        file_.reset();
        committed_ = MoveFileExW(temporary_.c_str(), target_.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        return committed_;
    }

private:
    ScopedFileHandle file_;
    const std::wstring temporary_;
    const std::wstring target_;
    bool committed_ = false;
};

}  // namespace

std::unique_ptr<ArchiveOutput> CreateArchiveFile(const std::wstring& path) {
    wchar_t full[MAX_PATH + 1];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH + 1, full, nullptr);
    if (length == 0 || length > MAX_PATH || !Replaceable(full)) return nullptr;
    const std::wstring target(full, length);
    wchar_t temporary[MAX_PATH + 1];
    if (GetTempFileNameW(FolderOf(target).c_str(), L"~vz", 0, temporary) == 0) return nullptr;
    ScopedFileHandle file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DeleteFileW(temporary);
        return nullptr;
    }
    return std::make_unique<ArchiveFile>(std::move(file), temporary, target);
}

}  // namespace velmor::zip

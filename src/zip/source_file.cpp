#include "zip/source_file.h"

namespace velmor::zip {

bool SourceFile::Open(const std::wstring& path) {
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return false;
    BY_HANDLE_FILE_INFORMATION fi;
    if (!GetFileInformationByHandle(file_.get(), &fi) ||
        (fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        file_.reset();
        return false;
    }
    info_.attributes = fi.dwFileAttributes;
    info_.size = (static_cast<uint64_t>(fi.nFileSizeHigh) << 32) | fi.nFileSizeLow;
    info_.creationTime = fi.ftCreationTime;
    info_.lastAccessTime = fi.ftLastAccessTime;
    info_.lastWriteTime = fi.ftLastWriteTime;
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file_.get(), zero, nullptr, FILE_BEGIN)) {
        file_.reset();
        return false;
    }
    return true;
}

uint32_t SourceFile::Read(void* buffer, uint32_t size) {
    DWORD got = 0;
    if (!file_ || !ReadFile(file_.get(), buffer, size, &got, nullptr)) return 0;
    return got;
}

}  // namespace velmor::zip

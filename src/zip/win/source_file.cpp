#include "zip/win/source_file.h"

namespace velmor::zip {

bool SourceFile::Open(const std::wstring& path) {
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return false;
    // The basic record and the size carry everything the entry needs. The full
    // by-handle record would add a volume query per file, which is slow on some
    // file systems and says nothing the entry uses.
    FILE_BASIC_INFO basic{};
    LARGE_INTEGER size{};
    if (!GetFileInformationByHandleEx(file_.get(), FileBasicInfo, &basic, sizeof basic) ||
        !GetFileSizeEx(file_.get(), &size) || (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        file_.reset();
        return false;
    }
    const auto fileTime = [](const LARGE_INTEGER& t) {
        FILETIME ft;
        ft.dwLowDateTime = static_cast<DWORD>(t.QuadPart & 0xFFFFFFFF);
        ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(t.QuadPart) >> 32);
        return ft;
    };
    info_.attributes = basic.FileAttributes;
    info_.size = static_cast<uint64_t>(size.QuadPart);
    info_.creationTime = fileTime(basic.CreationTime);
    info_.lastAccessTime = fileTime(basic.LastAccessTime);
    info_.lastWriteTime = fileTime(basic.LastWriteTime);
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

#include "zip/win/file_byte_source.h"

namespace velmor::zip {

FileByteSource::~FileByteSource() { Close(); }

bool FileByteSource::Open(const std::wstring& path) {
    Close();
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.valid()) return false;
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    fullPath_.assign(length, L'\0');
    const DWORD written =
        length ? GetFullPathNameW(path.c_str(), length, &fullPath_[0], nullptr) : 0;
    fullPath_.resize(written < length ? written : 0);
    LARGE_INTEGER zero{};
    seekable_ = SetFilePointerEx(file_.get(), zero, nullptr, FILE_CURRENT) != FALSE;
    error_ = false;
    return true;
}

std::unique_ptr<FileByteSource> FileByteSource::OpenAgain() const {
    if (!IsOpen() || fullPath_.empty()) return nullptr;
    auto again = std::make_unique<FileByteSource>();
    if (!again->Open(fullPath_)) return nullptr;
    return again;
}

void FileByteSource::Close() {
    file_.reset();
    seekable_ = false;
}

bool FileByteSource::Length(uint64_t* length) {
    if (!IsOpen() || !seekable_) return false;
    LARGE_INTEGER zero{};
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file_.get(), zero, &end, FILE_END)) return false;
    *length = static_cast<uint64_t>(end.QuadPart);
    return true;
}

bool FileByteSource::SeekTo(uint64_t position) {
    if (!IsOpen() || !seekable_) return false;
    if (position > static_cast<uint64_t>(INT64_MAX)) return false;
    LARGE_INTEGER target;
    target.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(file_.get(), target, nullptr, FILE_BEGIN) != FALSE;
}

bool FileByteSource::ReadAt(uint64_t position, void* buffer, uint32_t size) {
    if (!SeekTo(position)) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    uint32_t done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!ReadFile(file_.get(), out + done, size - done, &got, nullptr)) {
            error_ = true;
            return false;
        }
        if (got == 0) return false;  // end of file before the block was complete
        done += got;
    }
    return true;
}

}  // namespace velmor::zip

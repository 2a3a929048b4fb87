#include "zip/win/file_byte_source.h"

#include <cstring>

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
    for (Window& window : windows_) window.size = 0;
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

bool FileByteSource::ReadDirect(uint64_t position, uint8_t* out, uint32_t size, uint32_t* got) {
    *got = 0;
    if (!SeekTo(position)) return false;
    while (*got < size) {
        DWORD piece = 0;
        if (!ReadFile(file_.get(), out + *got, size - *got, &piece, nullptr)) {
            error_ = true;
            return false;
        }
        if (piece == 0) break;  // the end of the file
        *got += piece;
    }
    return true;
}

bool FileByteSource::ReadAt(uint64_t position, void* buffer, uint32_t size) {
    auto* out = static_cast<uint8_t*>(buffer);
    uint32_t got = 0;
    if (size > kSmallRead) return ReadDirect(position, out, size, &got) && got == size;
    for (Window& window : windows_) {
        if (window.size > 0 && position >= window.start &&
            position - window.start + size <= window.size) {
            std::memcpy(out, window.bytes.data() + (position - window.start), size);
            window.lastUse = ++uses_;
            return true;
        }
    }
    Window& window = windows_[0].lastUse <= windows_[1].lastUse ? windows_[0] : windows_[1];
    window.bytes.resize(kWindowSize);
    window.size = 0;
    if (!ReadDirect(position, window.bytes.data(), kWindowSize, &got)) return false;
    window.start = position;
    window.size = got;
    window.lastUse = ++uses_;
    if (got < size) return false;  // end of file before the block was complete
    std::memcpy(out, window.bytes.data(), size);
    return true;
}

}  // namespace velmor::zip

#include "ftp/local_file.h"

#include <utility>

#include "base/win/handle_traits.h"

namespace velmor::ftp {
namespace {

class Win32LocalFile final : public LocalFile {
public:
    explicit Win32LocalFile(ScopedFileHandle file) : file_(std::move(file)) {}

    bool Write(const void* data, DWORD size) override {
        DWORD written = 0;
        return file_ && WriteFile(file_.get(), data, size, &written, nullptr) && written == size;
    }

    // Closing can fail when the system writes what it still buffers.
    bool Close() override { return !file_ || CloseHandle(file_.release()); }

private:
    ScopedFileHandle file_;
};

class Win32LocalSource final : public LocalSource {
public:
    Win32LocalSource(ScopedFileHandle file, ULONGLONG size) : file_(std::move(file)), size_(size) {}

    ULONGLONG Size() const override { return size_; }

    bool Read(void* buffer, DWORD size, DWORD* read) override {
        *read = 0;
        return ReadFile(file_.get(), buffer, size, read, nullptr) != FALSE;
    }

private:
    ScopedFileHandle file_;
    ULONGLONG size_;
};

}  // namespace

std::unique_ptr<LocalFile> Win32LocalFiles::Create(const std::wstring& path) {
    // Shared access for readers and writers, as a C runtime "wb" stream has.
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    return std::make_unique<Win32LocalFile>(std::move(file));
}

void Win32LocalFiles::Remove(const std::wstring& path) { DeleteFileW(path.c_str()); }

std::unique_ptr<LocalSource> Win32LocalFiles::OpenForReading(const std::wstring& path) {
    // Shared access, as a C runtime "rb" stream has; a folder does not open.
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return nullptr;
    return std::make_unique<Win32LocalSource>(std::move(file),
                                              static_cast<ULONGLONG>(size.QuadPart));
}

bool ReadSmallFile(LocalFiles& files, const std::wstring& path, size_t maxBytes,
                   std::string* bytes) {
    bytes->clear();
    std::unique_ptr<LocalSource> source = files.OpenForReading(path);
    if (!source || source->Size() > maxBytes) return false;
    bytes->resize(static_cast<size_t>(source->Size()));
    size_t filled = 0;
    while (filled < bytes->size()) {
        DWORD read = 0;
        if (!source->Read(&(*bytes)[filled], static_cast<DWORD>(bytes->size() - filled), &read) ||
            read == 0) {
            return false;
        }
        filled += read;
    }
    return true;
}

}  // namespace velmor::ftp

#include <windows.h>

#include "base/win/handle_traits.h"
#include "zip/write/archive_output.h"

namespace velmor::zip {

namespace {

class ArchiveFile final : public ArchiveOutput {
public:
    explicit ArchiveFile(ScopedFileHandle file) : file_(std::move(file)) {}

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

private:
    ScopedFileHandle file_;
};

}  // namespace

std::unique_ptr<ArchiveOutput> CreateArchiveFile(const std::wstring& path) {
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    return std::make_unique<ArchiveFile>(std::move(file));
}

}  // namespace velmor::zip

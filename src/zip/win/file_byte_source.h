// An archive file opened by name for positioned reads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "base/win/handle_traits.h"
#include "zip/read/reader_byte_source.h"

namespace velmor::zip {

class FileByteSource : public ByteSource {
public:
    FileByteSource() = default;
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    // Opens an existing file for reading, sharing read access with others.
    bool Open(const std::wstring& path);
    void Close();
    // The same file opened once more, for another thread's reads; null when it cannot be.
    // The file stays the same: this source shares no write or delete access while open.
    std::unique_ptr<FileByteSource> OpenAgain() const;

    bool IsOpen() const override { return file_.valid(); }
    bool IsSeekable() const override { return seekable_; }
    bool HasError() const override { return error_; }
    bool Length(uint64_t* length) override;
    bool ReadAt(uint64_t position, void* buffer, uint32_t size) override;

private:
    // Small reads (headers, names, extra fields) come from two windows of the file read ahead,
    // so that walking the directory and the local headers costs a read call per window rather
    // than several per entry; larger reads go to the file directly.
    static constexpr uint32_t kSmallRead = 4096;
    static constexpr uint32_t kWindowSize = 64 * 1024;
    struct Window {
        std::vector<uint8_t> bytes;
        uint64_t start = 0;
        uint32_t size = 0;  // bytes held; 0: empty
        uint64_t lastUse = 0;
    };

    bool SeekTo(uint64_t position);
    bool ReadDirect(uint64_t position, uint8_t* out, uint32_t size, uint32_t* got);

    Window windows_[2];
    uint64_t uses_ = 0;
    ScopedFileHandle file_;
    std::wstring fullPath_;  // taken at open, so that the current directory may change
    bool seekable_ = false;
    bool error_ = false;
};

}  // namespace velmor::zip

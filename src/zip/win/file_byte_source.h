// An archive file opened by name for positioned reads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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
    bool SeekTo(uint64_t position);

    ScopedFileHandle file_;
    std::wstring fullPath_;  // taken at open, so that the current directory may change
    bool seekable_ = false;
    bool error_ = false;
};

}  // namespace velmor::zip

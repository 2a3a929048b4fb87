// The archive file as the reader sees it: positioned reads of counted blocks.
#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

#include "module/scoped_handle.h"

namespace velmor::zip {

class ByteSource {
public:
    ByteSource() = default;
    ~ByteSource();
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Opens an existing file for reading, sharing read access with others.
    bool Open(const std::wstring& path);
    void Close();

    bool IsOpen() const { return file_.valid(); }
    // True when a seek to the current position succeeded at open time.
    bool IsSeekable() const { return seekable_; }
    // Set once any read call failed.
    bool HasError() const { return error_; }

    // Length of the file, taken by positioning at its end.
    bool Length(uint64_t* length);
    // Reads exactly size bytes at the absolute position; a short read is a failure.
    bool ReadAt(uint64_t position, void* buffer, uint32_t size);

private:
    bool SeekTo(uint64_t position);

    ScopedFileHandle file_;
    bool seekable_ = false;
    bool error_ = false;
};

}  // namespace velmor::zip

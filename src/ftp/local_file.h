// The local side of a transfer: the download's target file and the upload's
// source file. Win32LocalFiles is the real file system; tests substitute a
// double to make writes fail.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace velmor::ftp {

class LocalFile {
public:
    virtual ~LocalFile() = default;
    // Appends all bytes; false when the system wrote fewer or failed.
    virtual bool Write(const void* data, DWORD size) = 0;
    // Closes the file; false when closing failed.
    virtual bool Close() = 0;
};

class LocalSource {
public:
    virtual ~LocalSource() = default;
    // The size in bytes when the file was opened.
    virtual ULONGLONG Size() const = 0;
    // Reads the next bytes; *read is 0 at the end. False when reading failed.
    virtual bool Read(void* buffer, DWORD size, DWORD* read) = 0;
};

class LocalFiles {
public:
    virtual ~LocalFiles() = default;
    // Creates the file, or empties it when it exists; null on failure.
    virtual std::unique_ptr<LocalFile> Create(const std::wstring& path) = 0;
    virtual void Remove(const std::wstring& path) = 0;
    // Opens an existing file for reading, shared with other readers and
    // writers; null on failure.
    virtual std::unique_ptr<LocalSource> OpenForReading(const std::wstring& path) = 0;
};

class Win32LocalFiles final : public LocalFiles {
public:
    std::unique_ptr<LocalFile> Create(const std::wstring& path) override;
    void Remove(const std::wstring& path) override;
    std::unique_ptr<LocalSource> OpenForReading(const std::wstring& path) override;
};

// The whole of a small file (a key), up to maxBytes; false when it cannot be
// read or is larger.
bool ReadSmallFile(LocalFiles& files, const std::wstring& path, size_t maxBytes,
                   std::string* bytes);

}  // namespace velmor::ftp

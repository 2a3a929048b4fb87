// The local side of a transfer: the download's target file and the upload's
// source file. Win32LocalFiles is the real file system; tests substitute a
// double to make writes fail.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ftp/remote_session.h"

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
    // The next read starts at this offset from the file's start.
    virtual bool Seek(ULONGLONG offset) = 0;
};

// Entries of the local side are described as a listing's entries are.
class LocalFiles {
public:
    virtual ~LocalFiles() = default;
    // Creates the file, or empties it when it exists; null on failure.
    virtual std::unique_ptr<LocalFile> Create(const std::wstring& path) = 0;
    // Opens an existing file for writing after its last byte; null on failure.
    virtual std::unique_ptr<LocalFile> OpenForAppend(const std::wstring& path) = 0;
    virtual void Remove(const std::wstring& path) = 0;
    // Opens an existing file for reading, shared with other readers and
    // writers; null on failure.
    virtual std::unique_ptr<LocalSource> OpenForReading(const std::wstring& path) = 0;
    // The entry of a file or folder; false when there is none.
    virtual bool Describe(const std::wstring& path, RemoteListEntry* entry) = 0;
    // A folder's entries, without "." and ".."; false when it cannot be read.
    virtual bool List(const std::wstring& folder, std::vector<RemoteListEntry>* entries) = 0;
    // Creates the folder and the missing folders above it; true when it exists.
    virtual bool MakeFolder(const std::wstring& path) = 0;
    // Renames a file, replacing one of the new name.
    virtual bool Rename(const std::wstring& from, const std::wstring& to) = 0;
    // Sets the modification time ("YYYY-MM-DD HH:MM:SS", UTC).
    virtual bool SetModifiedTime(const std::wstring& path, const std::string& utc) = 0;
};

class Win32LocalFiles : public LocalFiles {
public:
    std::unique_ptr<LocalFile> Create(const std::wstring& path) override;
    std::unique_ptr<LocalFile> OpenForAppend(const std::wstring& path) override;
    void Remove(const std::wstring& path) override;
    std::unique_ptr<LocalSource> OpenForReading(const std::wstring& path) override;
    bool Describe(const std::wstring& path, RemoteListEntry* entry) override;
    bool List(const std::wstring& folder, std::vector<RemoteListEntry>* entries) override;
    bool MakeFolder(const std::wstring& path) override;
    bool Rename(const std::wstring& from, const std::wstring& to) override;
    bool SetModifiedTime(const std::wstring& path, const std::string& utc) override;
};

// The whole of a small file (a key), up to maxBytes; false when it cannot be
// read or is larger.
bool ReadSmallFile(LocalFiles& files, const std::wstring& path, size_t maxBytes,
                   std::string* bytes);

}  // namespace velmor::ftp

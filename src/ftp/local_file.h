// The download's local target file. Win32LocalFiles is the real file system;
// tests substitute a double to make writes fail.
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

class LocalFiles {
 public:
  virtual ~LocalFiles() = default;
  // Creates the file, or empties it when it exists; null on failure.
  virtual std::unique_ptr<LocalFile> Create(const std::wstring& path) = 0;
  virtual void Remove(const std::wstring& path) = 0;
};

class Win32LocalFiles final : public LocalFiles {
 public:
  std::unique_ptr<LocalFile> Create(const std::wstring& path) override;
  void Remove(const std::wstring& path) override;
};

}  // namespace velmor::ftp

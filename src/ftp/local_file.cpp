#include "ftp/local_file.h"

#include <utility>

namespace velmor::ftp {
namespace {

class Win32LocalFile final : public LocalFile {
 public:
  explicit Win32LocalFile(HANDLE file) : file_(file) {}
  ~Win32LocalFile() override { Close(); }

  Win32LocalFile(const Win32LocalFile&) = delete;
  Win32LocalFile& operator=(const Win32LocalFile&) = delete;

  bool Write(const void* data, DWORD size) override {
    DWORD written = 0;
    return file_ != INVALID_HANDLE_VALUE &&
           WriteFile(file_, data, size, &written, nullptr) && written == size;
  }

  bool Close() override {
    HANDLE file = std::exchange(file_, INVALID_HANDLE_VALUE);
    return file == INVALID_HANDLE_VALUE || CloseHandle(file);
  }

 private:
  HANDLE file_;
};

}  // namespace

std::unique_ptr<LocalFile> Win32LocalFiles::Create(const std::wstring& path) {
  // Shared access for readers and writers, as a C runtime "wb" stream has.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32LocalFile>(file);
}

void Win32LocalFiles::Remove(const std::wstring& path) {
  DeleteFileW(path.c_str());
}

}  // namespace velmor::ftp

// Sole owner of one WinINet handle; closes it through the FtpApi that made it.
#pragma once

#include <utility>

#include "ftp/ftp_api.h"

namespace velmor::ftp {

class InternetHandle {
 public:
  InternetHandle() = default;
  InternetHandle(FtpApi* api, HINTERNET handle) : api_(api), handle_(handle) {}
  ~InternetHandle() { Reset(); }

  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  InternetHandle(InternetHandle&& other) noexcept
      : api_(other.api_), handle_(std::exchange(other.handle_, nullptr)) {}
  InternetHandle& operator=(InternetHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      api_ = other.api_;
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }

  HINTERNET Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

  // Gives the handle up without closing it.
  HINTERNET Release() { return std::exchange(handle_, nullptr); }

  void Reset() {
    if (handle_ != nullptr && api_ != nullptr) api_->CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  FtpApi* api_ = nullptr;
  HINTERNET handle_ = nullptr;
};

}  // namespace velmor::ftp

// Sole owner of one modeless dialog window: destroys it when reset, unless the
// window is already gone.
#pragma once

#include <windows.h>

#include <utility>

namespace velmor::ftp {

class DialogWindow {
 public:
  DialogWindow() = default;
  ~DialogWindow() { Reset(); }

  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  HWND Get() const { return window_; }
  // True when a window is held and the system still knows it.
  bool IsAlive() const { return window_ != nullptr && IsWindow(window_); }

  void Adopt(HWND window) {
    Reset();
    window_ = window;
  }
  // Drops a window that the system has already destroyed.
  void Forget() { window_ = nullptr; }
  void Reset() {
    HWND window = std::exchange(window_, nullptr);
    if (window != nullptr && IsWindow(window)) DestroyWindow(window);
  }

 private:
  HWND window_ = nullptr;
};

}  // namespace velmor::ftp

// Plays the user who closes a transfer's progress window: a thread waits for
// the window with the given caption to show, lets a few chunks pass, and
// posts WM_CLOSE.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

namespace velmor::ftp::testing {

class WindowCloser {
public:
    explicit WindowCloser(const wchar_t* caption = L"Прием данных (FTP)", DWORD delayMs = 300)
        : thread_([this, caption, delayMs] {
              for (int i = 0; i < 400 && !stop_; ++i) {
                  HWND window = VisibleWindow(caption);
                  if (window != nullptr) {
                      Sleep(delayMs);
                      PostMessageW(window, WM_CLOSE, 0, 0);
                      closed_ = true;
                      return;
                  }
                  Sleep(25);
              }
          }) {}
    ~WindowCloser() { Join(); }
    WindowCloser(const WindowCloser&) = delete;
    WindowCloser& operator=(const WindowCloser&) = delete;

    // Waits for the thread; true when it found and closed the window.
    bool Closed() {
        Join();
        return closed_;
    }

private:
    // The visible dialog with the caption; a hidden one of the same caption
    // (a window another test left behind) does not hide it.
    static HWND VisibleWindow(const wchar_t* caption) {
        HWND window = nullptr;
        while ((window = FindWindowExW(nullptr, window, L"#32770", caption)) != nullptr) {
            if (IsWindowVisible(window)) return window;
        }
        return nullptr;
    }

    void Join() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

    std::atomic<bool> stop_{false};
    std::atomic<bool> closed_{false};
    std::thread thread_;
};

}  // namespace velmor::ftp::testing

// Keeps the thread's last-error code across calls that could overwrite it.
#pragma once

#include <windows.h>

namespace velmor {

class LastErrorKeeper {
public:
    LastErrorKeeper() noexcept : saved_(GetLastError()) {}
    ~LastErrorKeeper() { SetLastError(saved_); }
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

private:
    DWORD saved_;
};

}  // namespace velmor

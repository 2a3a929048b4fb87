// Shows the system wait cursor for the lifetime of the object, then the
// standard arrow (IDC_WAIT 32514, IDC_ARROW 32512, named by number so the
// wide form is used whatever UNICODE says). Without a user interface both
// calls simply do nothing.
#pragma once

#include <windows.h>

namespace velmor::crypto {

class WaitCursor {
public:
    WaitCursor() { SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514))); }
    ~WaitCursor() { SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512))); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace velmor::crypto

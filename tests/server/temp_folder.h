// A scratch folder with the few file operations the server tests use on it.
//
// The engine learns of changes from the system's change notification. Wine
// reports some changes (deletions above all) a moment after the call that
// made them has returned; so every change made here waits until the folder's
// own watch has fired, by which time every other watch on the folder has too.
// On Windows the wait returns at once.
#pragma once

#include <string>

#include "base/win/handle_traits.h"
#include "temp_dir.h"

namespace velmor::server::test {

using velmor::test::PathExists;

class TempFolder : public velmor::test::TempDir {
public:
    TempFolder()
        : watch_(FindFirstChangeNotificationW(
              path().c_str(), TRUE,
              FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
                  FILE_NOTIFY_CHANGE_LAST_WRITE)) {}

    // Writes bytes exactly as given (binary), creating the file.
    void Write(const std::wstring& name, const std::string& bytes) const {
        Drain();
        velmor::test::WriteFileBytes(file(name), bytes);
        AwaitChange();
    }
    bool Exists(const std::wstring& name) const { return PathExists(file(name)); }
    void Remove(const std::wstring& name) const {
        Drain();
        if (DeleteFileW(file(name).c_str())) AwaitChange();
    }
    void MakeFolder(const std::wstring& name) const {
        Drain();
        if (CreateDirectoryW(file(name).c_str(), nullptr)) AwaitChange();
    }

private:
    void Drain() const {
        while (watch_ && WaitForSingleObject(watch_.get(), 0) == WAIT_OBJECT_0) {
            FindNextChangeNotification(watch_.get());
        }
    }
    void AwaitChange() const {
        if (watch_ && WaitForSingleObject(watch_.get(), 1000) == WAIT_OBJECT_0) {
            FindNextChangeNotification(watch_.get());
        }
    }

    ScopedChangeNotification watch_;
};

}  // namespace velmor::server::test

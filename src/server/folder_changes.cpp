#include "server/folder_changes.h"

#include <windows.h>

#include "module/scoped_handle.h"

namespace velmor::server {
namespace {

// Everything that can change which names exist below the folder or what
// the status files hold. Security changes count too: they can make a status
// file readable or not.
constexpr DWORD kWatchedChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                  FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE |
                                  FILE_NOTIFY_CHANGE_SECURITY;

class SystemFolderChanges : public FolderChanges {
public:
    bool Watch(const std::wstring& folder) override {
        // Data file names may name subfolders, so the whole tree is watched.
        watch_.reset(FindFirstChangeNotificationW(folder.c_str(), TRUE, kWatchedChanges));
        return watch_.valid();
    }

    bool Fired() override {
        return !watch_ || WaitForSingleObject(watch_.get(), 0) != WAIT_TIMEOUT;
    }

    bool Rearm() override {
        if (watch_ && FindNextChangeNotification(watch_.get())) return true;
        watch_.reset();
        return false;
    }

    void Stop() override { watch_.reset(); }

    FileStamp Stamp(const std::wstring& path) override {
        FileStamp stamp;
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return stamp;
        stamp.exists = true;
        stamp.attributes = data.dwFileAttributes;
        stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        stamp.lastWrite = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime;
        return stamp;
    }

private:
    ScopedChangeNotification watch_;
};

}  // namespace

std::unique_ptr<FolderChanges> MakeSystemFolderChanges() {
    return std::make_unique<SystemFolderChanges>();
}

}  // namespace velmor::server

#include "server/core/folder_changes.h"

#include <windows.h>

#include <string>

#include "base/win/handle_traits.h"

namespace velmor::server {
namespace {

// Everything that can change which names exist below the folder or what
// the status files hold. Security changes count too: they can make a status
// file readable or not.
constexpr DWORD kWatchedChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                  FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE |
                                  FILE_NOTIFY_CHANGE_SECURITY;

// The folder a path names now: a relative one follows the current directory.
std::wstring FullPath(const std::wstring& path) {
    wchar_t buf[MAX_PATH];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, buf, nullptr);
    if (n > 0 && n < MAX_PATH) return std::wstring(buf, n);
    std::wstring full(n, L'\0');
    const DWORD m = n ? GetFullPathNameW(path.c_str(), n, &full[0], nullptr) : 0;
    full.resize(m < n ? m : 0);
    return full;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// "X:\..." or "\\server\share\...".
bool IsFixedPath(const std::wstring& path) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return true;
    return path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]);
}

class SystemFolderChanges : public FolderChanges {
public:
    bool Watch(const std::wstring& folder) override {
        folder_ = folder;
        watched_ = FullPath(folder);
        fixed_ = IsFixedPath(folder);
        // Data file names may name subfolders, so the whole tree is watched.
        watch_.reset(FindFirstChangeNotificationW(folder.c_str(), TRUE, kWatchedChanges));
        return watch_.valid();
    }

    // A relative folder that now names another place (the current directory
    // moved) counts as a change.
    bool Fired() override {
        return !watch_ || WaitForSingleObject(watch_.get(), 0) != WAIT_TIMEOUT || Moved();
    }

    bool Rearm() override {
        if (watch_ && Moved()) return Watch(folder_);
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
    bool Moved() const { return !fixed_ && FullPath(folder_) != watched_; }

    std::wstring folder_, watched_;
    bool fixed_ = false;  // names the same place whatever the current directory
    ScopedChangeNotification watch_;
};

}  // namespace

std::unique_ptr<FolderChanges> MakeSystemFolderChanges() {
    return std::make_unique<SystemFolderChanges>();
}

}  // namespace velmor::server

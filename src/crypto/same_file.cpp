#include "crypto/same_file.h"

#include <vector>

#include "base/win/handle_traits.h"

namespace velmor::crypto {
namespace {

std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::vector<wchar_t> full(needed);
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) return path;
    return std::wstring(full.data(), written);
}

bool SamePathText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

bool NamesSameFile(HANDLE openFile, const std::wstring& openPath, const std::wstring& otherPath) {
    if (SamePathText(FullPath(openPath), FullPath(otherPath))) return true;

    ScopedFileHandle other(CreateFileW(otherPath.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                       nullptr));
    if (!other.valid()) return false;  // does not exist yet: cannot be it

    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    if (!GetFileInformationByHandle(openFile, &a) || !GetFileInformationByHandle(other.get(), &b)) {
        return false;
    }
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace velmor::crypto

#include "zip/win/folder_lister.h"

#include <windows.h>

#include <algorithm>

#include "base/win/handle_traits.h"

namespace velmor::zip {

namespace {

bool IsLinkTag(DWORD tag) {
    return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT;
}

}  // namespace

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DiskFolderLister::DiskFolderLister(const std::wstring& root) : root_(root) {
    while (root_.size() > 1 && (root_.back() == L'\\' || root_.back() == L'/') &&
           root_[root_.size() - 2] != L':') {
        root_.pop_back();
    }
}

std::wstring DiskFolderLister::PathOf(const std::wstring& relativePath) const {
    if (relativePath.empty()) return root_;
    std::wstring path = root_;
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += relativePath;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

bool DiskFolderLister::FirstVisit(const std::wstring& path) {
    ScopedFileHandle folder(CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder || !GetFileInformationByHandle(folder.get(), &info)) return false;
    const uint64_t index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return visited_.emplace(info.dwVolumeSerialNumber, index).second;
}

bool DiskFolderLister::List(const std::wstring& relativePath, std::vector<FolderItem>* items) {
    items->clear();
    const std::wstring folder = PathOf(relativePath);
    if (relativePath.empty() && !FirstVisit(folder)) return false;
    std::wstring pattern = folder;
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    ScopedFindHandle find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        FolderItem item;
        item.name = name;
        item.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.hidden =
            (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
        item.link =
            (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkTag(data.dwReserved0);
        item.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (item.folder && !item.link) {
            item.link = !FirstVisit(folder + L'\\' + name);
        }
        items->push_back(std::move(item));
    } while (FindNextFileW(find.get(), &data));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace velmor::zip

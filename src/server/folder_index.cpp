#include "server/folder_index.h"

#include <windows.h>

#include "module/scoped_handle.h"

namespace velmor::server {

FolderIndex::FolderIndex(const std::wstring& folder) : folder_(folder) {
    if (folder.empty()) return;
    WIN32_FIND_DATAW found;
    ScopedFindHandle find(FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return;
    try {
        do {
            names_.insert(Key(found.cFileName));
        } while (FindNextFileW(find.get(), &found));
        listed_ = GetLastError() == ERROR_NO_MORE_FILES;
    } catch (...) {
        names_.clear();  // out of memory: fall back to asking the file system
    }
}

bool FolderIndex::IsPlainName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name) {
        if (c == L'\\' || c == L'/' || c == L':' || c == L'~' || c == L'*' || c == L'?' ||
            c == L'<' || c == L'>' || c == L'"' || c < 0x20) {
            return false;
        }
    }
    const wchar_t last = name.back();
    return last != L'.' && last != L' ';
}

std::wstring FolderIndex::Key(const std::wstring& name) {
    std::wstring key = name;
    if (!key.empty()) CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

bool FolderIndex::Exists(const std::wstring& name) const {
    if (listed_ && IsPlainName(name)) return names_.count(Key(name)) != 0;
    return GetFileAttributesW((folder_ + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace velmor::server

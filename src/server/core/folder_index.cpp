#include "server/core/folder_index.h"

namespace velmor::server {

FolderIndex::FolderIndex(const std::wstring& folder, const FolderFileSystem& fileSystem)
    : fileSystem_(fileSystem), folder_(folder) {
    if (folder.empty()) return;
    try {
        listed_ = fileSystem_.List(
            folder, [this](const std::wstring& name) { names_.insert(fileSystem_.CaseKey(name)); });
    } catch (...) {
        listed_ = false;  // out of memory: fall back to asking the file system
    }
    if (!listed_) names_.clear();
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

bool FolderIndex::Exists(const std::wstring& name) const {
    if (listed_ && IsPlainName(name)) return names_.count(fileSystem_.CaseKey(name)) != 0;
    return fileSystem_.Exists(folder_ + L"\\" + name);
}

}  // namespace velmor::server

#include "zip/extract_folders.h"

#include <cwctype>

#include <windows.h>

namespace velmor::zip {

namespace {

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// Component made of dots and spaces only: Windows trims trailing dots and spaces, so
// "... " or ".. " could end up as a parent step or as the folder itself.
bool IsDotsAndSpaces(const std::wstring& part) {
    for (wchar_t c : part) {
        if (c != L'.' && c != L' ') return false;
    }
    return true;
}

bool IsReservedDeviceName(const std::wstring& part) {
    std::wstring base = part.substr(0, part.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& c : base) c = static_cast<wchar_t>(std::towupper(c));
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
        base == L"CONOUT$") {
        return true;
    }
    if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
        return base[3] >= L'0' && base[3] <= L'9';
    }
    return false;
}

}  // namespace

void EnsureFolders(const std::wstring& root, const std::wstring& path) {
    if (path.empty()) return;
    for (size_t i = 1; i < path.size(); ++i) {
        if (IsSeparator(path[i])) CreateDirectoryW((root + path.substr(0, i)).c_str(), nullptr);
    }
    CreateDirectoryW((root + path).c_str(), nullptr);
}

bool IsContainedEntryName(const std::wstring& name) {
    if (name.empty() || IsSeparator(name[0])) return false;
    if (name.find(L':') != std::wstring::npos) return false;
    int depth = 0;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        const std::wstring part = name.substr(start, end - start);
        if (part == L"..") {
            if (--depth < 0) return false;
        } else if (part.empty() || part == L".") {
            // stays where it is
        } else if (IsDotsAndSpaces(part) || IsReservedDeviceName(part)) {
            return false;
        } else {
            ++depth;
        }
        start = end + 1;
    }
    return true;
}

std::wstring FolderPartToMake(const std::wstring& name) {
    const size_t last = name.find_last_of(L"/\\");
    if (last == std::wstring::npos) return std::wstring();
    std::wstring folder = name.substr(0, last);
    if (folder.empty() || IsSeparator(folder[0])) return std::wstring();
    if (folder.size() > 1 && folder[1] == L':') return std::wstring();
    if (folder.find(L"../") != std::wstring::npos || folder.find(L"..\\") != std::wstring::npos) {
        return std::wstring();
    }
    return folder;
}

}  // namespace velmor::zip

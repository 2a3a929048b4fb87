#include "temp_folder.h"

#include <stdexcept>

#include "module/scoped_handle.h"

namespace velmor::server::test {

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot create test file");
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        throw std::runtime_error("cannot write test file");
    }
}

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    ScopedFindHandle find(FindFirstFileW((path + L"\\*").c_str(), &found));
    if (find) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find.get(), &found));
    }
    find.reset();
    RemoveDirectoryW(path.c_str());
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::wstring(base) + L"orvsrv_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(++counter);
        if (CreateDirectoryW(path_.c_str(), nullptr)) return;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("no temp folder");
    }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void TempFolder::Write(const std::wstring& name, const std::string& bytes) const {
    WriteBytes(*this / name, bytes);
}

bool TempFolder::Exists(const std::wstring& name) const { return PathExists(*this / name); }

void TempFolder::Remove(const std::wstring& name) const { DeleteFileW((*this / name).c_str()); }

void TempFolder::MakeFolder(const std::wstring& name) const {
    CreateDirectoryW((*this / name).c_str(), nullptr);
}

}  // namespace velmor::server::test

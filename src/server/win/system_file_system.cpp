#include "server/win/system_file_system.h"

#include <windows.h>

#include "base/win/handle_traits.h"

namespace velmor::server {
namespace {

class SystemFolderFileSystem final : public FolderFileSystem {
public:
    bool List(const std::wstring& folder, const NameSink& onName) const override {
        WIN32_FIND_DATAW found;
        ScopedFindHandle find(FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found,
                                               FindExSearchNameMatch, nullptr,
                                               FIND_FIRST_EX_LARGE_FETCH));
        if (!find) return false;
        do {
            onName(found.cFileName);
        } while (FindNextFileW(find.get(), &found));
        return GetLastError() == ERROR_NO_MORE_FILES;
    }

    bool Exists(const std::wstring& path) const override {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::wstring CaseKey(const std::wstring& name) const override {
        std::wstring key = name;
        if (!key.empty()) CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
        return key;
    }
};

}  // namespace

const FolderFileSystem& SystemFileSystem() {
    static const SystemFolderFileSystem system;
    return system;
}

}  // namespace velmor::server

#include "ftp/local_file.h"

#include <cstdio>
#include <utility>

#include "base/win/handle_traits.h"
#include "ftp/wininet_session.h"

namespace velmor::ftp {
namespace {

class Win32LocalFile final : public LocalFile {
public:
    explicit Win32LocalFile(ScopedFileHandle file) : file_(std::move(file)) {}

    bool Write(const void* data, DWORD size) override {
        DWORD written = 0;
        return file_ && WriteFile(file_.get(), data, size, &written, nullptr) && written == size;
    }

    // Closing can fail when the system writes what it still buffers.
    bool Close() override { return !file_ || CloseHandle(file_.release()); }

private:
    ScopedFileHandle file_;
};

class Win32LocalSource final : public LocalSource {
public:
    Win32LocalSource(ScopedFileHandle file, ULONGLONG size) : file_(std::move(file)), size_(size) {}

    ULONGLONG Size() const override { return size_; }

    bool Read(void* buffer, DWORD size, DWORD* read) override {
        *read = 0;
        return ReadFile(file_.get(), buffer, size, read, nullptr) != FALSE;
    }

    bool Seek(ULONGLONG offset) override {
        LARGE_INTEGER position{};
        position.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(file_.get(), position, nullptr, FILE_BEGIN) != FALSE;
    }

private:
    ScopedFileHandle file_;
    ULONGLONG size_;
};

}  // namespace

std::unique_ptr<LocalFile> Win32LocalFiles::Create(const std::wstring& path) {
    // Shared access for readers and writers, as a C runtime "wb" stream has.
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    return std::make_unique<Win32LocalFile>(std::move(file));
}

std::unique_ptr<LocalFile> Win32LocalFiles::OpenForAppend(const std::wstring& path) {
    ScopedFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    return std::make_unique<Win32LocalFile>(std::move(file));
}

void Win32LocalFiles::Remove(const std::wstring& path) { DeleteFileW(path.c_str()); }

bool Win32LocalFiles::Describe(const std::wstring& path, RemoteListEntry* entry) {
    if (path.find_first_of(L"*?") != std::wstring::npos) return false;
    WIN32_FIND_DATAW data{};
    ScopedFindHandle found(FindFirstFileW(path.c_str(), &data));
    if (!found) return false;
    *entry = EntryFromFindData(data);
    return true;
}

bool Win32LocalFiles::List(const std::wstring& folder, std::vector<RemoteListEntry>* entries) {
    entries->clear();
    WIN32_FIND_DATAW data{};
    ScopedFindHandle found(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!found) return false;
    do {
        RemoteListEntry entry = EntryFromFindData(data);
        if (entry.name != L"." && entry.name != L"..") entries->push_back(std::move(entry));
    } while (FindNextFileW(found.get(), &data));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

bool Win32LocalFiles::MakeFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const size_t parent = path.find_last_of(L"\\/");
    if (parent != std::wstring::npos && parent > 0 && path[parent - 1] != L':') {
        MakeFolder(path.substr(0, parent));
    }
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool Win32LocalFiles::Rename(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool Win32LocalFiles::SetModifiedTime(const std::wstring& path, const std::string& utc) {
    SYSTEMTIME time{};
    unsigned parts[6];
    if (std::sscanf(utc.c_str(), "%4u-%2u-%2u %2u:%2u:%2u", &parts[0], &parts[1], &parts[2],
                    &parts[3], &parts[4], &parts[5]) != 6) {
        return false;
    }
    WORD* fields[] = {&time.wYear, &time.wMonth,  &time.wDay,
                      &time.wHour, &time.wMinute, &time.wSecond};
    for (int i = 0; i < 6; ++i) *fields[i] = static_cast<WORD>(parts[i]);
    FILETIME written{};
    if (!SystemTimeToFileTime(&time, &written)) return false;
    ScopedFileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && SetFileTime(file.get(), nullptr, nullptr, &written);
}

std::unique_ptr<LocalSource> Win32LocalFiles::OpenForReading(const std::wstring& path) {
    // Shared access, as a C runtime "rb" stream has; a folder does not open.
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return nullptr;
    return std::make_unique<Win32LocalSource>(std::move(file),
                                              static_cast<ULONGLONG>(size.QuadPart));
}

bool ReadSmallFile(LocalFiles& files, const std::wstring& path, size_t maxBytes,
                   std::string* bytes) {
    bytes->clear();
    std::unique_ptr<LocalSource> source = files.OpenForReading(path);
    if (!source || source->Size() > maxBytes) return false;
    bytes->resize(static_cast<size_t>(source->Size()));
    size_t filled = 0;
    while (filled < bytes->size()) {
        DWORD read = 0;
        if (!source->Read(&(*bytes)[filled], static_cast<DWORD>(bytes->size() - filled), &read) ||
            read == 0) {
            return false;
        }
        filled += read;
    }
    return true;
}

}  // namespace velmor::ftp

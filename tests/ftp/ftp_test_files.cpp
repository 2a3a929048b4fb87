#include "ftp_test_files.h"

namespace velmor::ftp::testing {
bool FileExistsOnDisk(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<BYTE> ReadWholeFile(const std::wstring& path, bool* ok) {
    std::vector<BYTE> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (ok) *ok = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) return bytes;
    BYTE chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0) {
        bytes.insert(bytes.end(), chunk, chunk + read);
    }
    CloseHandle(file);
    return bytes;
}

void WriteWholeFile(const std::wstring& path, const std::vector<BYTE>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (!bytes.empty()) {
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    CloseHandle(file);
}

}  // namespace velmor::ftp::testing

#include "crypto/win/user_identity.h"

#include <shlobj.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "base/win/handle_traits.h"
#include "crypto/age/secure_zero.h"

namespace velmor::crypto {

namespace {

constexpr wchar_t kFolder[] = L"\\Velmor\\VelmorCOM";
constexpr wchar_t kFileName[] = L"\\age-identity";
constexpr wchar_t kDescription[] = L"VelmorCOM age identity";
// An identity line is 74 characters; the protected blob a few hundred bytes more.
constexpr DWORD kMaxBlobSize = 64 * 1024;

// The parent of a folder.
std::wstring FolderOfFolder(const std::wstring& folder) {
    return folder.substr(0, folder.find_last_of(L'\\'));
}

// The folder, made if missing and `create`; empty with the last error set when there is no
// profile.
std::wstring IdentityFolder(bool create) {
    wchar_t appData[MAX_PATH];
    const HRESULT hr = SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                        SHGFP_TYPE_CURRENT, appData);
    if (FAILED(hr)) {
        SetLastError(HRESULT_CODE(hr) != 0 ? HRESULT_CODE(hr) : ERROR_PATH_NOT_FOUND);
        return std::wstring();
    }
    const std::wstring folder = appData + std::wstring(kFolder);
    if (!create) return folder;
    CreateDirectoryW(FolderOfFolder(folder).c_str(), nullptr);
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return std::wstring();
    }
    return folder;
}

bool ReadAll(const std::wstring& path, std::vector<BYTE>* bytes) {
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return false;
    if (size.QuadPart <= 0 || size.QuadPart > kMaxBlobSize) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    if (!ReadFile(file.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &done, nullptr)) {
        return false;
    }
    if (done != bytes->size()) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return true;
}

bool Unprotect(const std::vector<BYTE>& blob, age::Identity* identity) {
    DATA_BLOB in{static_cast<DWORD>(blob.size()), const_cast<BYTE*>(blob.data())};
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out)) {
        return false;
    }
    ScopedLocalMemory<BYTE> owned(out.pbData);
    std::string line(reinterpret_cast<const char*>(out.pbData), out.cbData);
    age::SecureZero(out.pbData, out.cbData);
    const bool parsed = age::ParseIdentity(line, identity) == age::AgeStatus::kOk;
    age::SecureZero(line);
    if (!parsed) SetLastError(ERROR_INVALID_DATA);
    return parsed;
}

// Writes a new identity under a temporary name and moves it into place unless another
// process was first; then that one's is the user's.
bool Create(age::AgeCrypto& crypto, const std::wstring& folder, const std::wstring& path,
            age::Identity* identity) {
    if (age::GenerateIdentity(crypto, identity) != age::AgeStatus::kOk) {
        SetLastError(NTE_FAIL);
        return false;
    }
    std::string line = age::FormatIdentity(*identity);
    DATA_BLOB in{static_cast<DWORD>(line.size()), reinterpret_cast<BYTE*>(line.data())};
    DATA_BLOB out{};
    const BOOL protectedOk = CryptProtectData(&in, kDescription, nullptr, nullptr, nullptr,
                                              CRYPTPROTECT_UI_FORBIDDEN, &out);
    age::SecureZero(line);
    if (!protectedOk) return false;
    ScopedLocalMemory<BYTE> blob(out.pbData);

    wchar_t temporary[MAX_PATH + 1];
    if (GetTempFileNameW(folder.c_str(), L"~vc", 0, temporary) == 0) return false;
    bool written = false;
    {
        ScopedFileHandle file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD done = 0;
        written = file && WriteFile(file.get(), out.pbData, out.cbData, &done, nullptr) &&
                  done == out.cbData && FlushFileBuffers(file.get());
    }
    if (written && MoveFileExW(temporary, path.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    DeleteFileW(temporary);
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
        SetLastError(error);
        return false;
    }
    std::vector<BYTE> theirs;
    return ReadAll(path, &theirs) && Unprotect(theirs, identity);
}

}  // namespace

bool LoadUserIdentity(age::AgeCrypto& crypto, UserIdentityUse use, age::Identity* identity) {
    const std::wstring folder = IdentityFolder(use == UserIdentityUse::kCreateIfNone);
    if (folder.empty()) return false;
    const std::wstring path = folder + kFileName;
    std::vector<BYTE> blob;
    if (ReadAll(path, &blob)) return Unprotect(blob, identity);
    DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND) error = ERROR_FILE_NOT_FOUND;
    if (error != ERROR_FILE_NOT_FOUND || use == UserIdentityUse::kExisting) {
        SetLastError(error);
        return false;
    }
    return Create(crypto, folder, path, identity);
}

}  // namespace velmor::crypto

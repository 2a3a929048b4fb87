// Packs files with the engine for the interop checks:
//   zip_pack_tool [--aes] ARCHIVE PASSWORD|- NAME PATH [NAME PATH ...]
// --aes: a password encrypts with AES-256. Prints the Pack result code and exits with it.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "zip/pack.h"

int main() {
    int argc = 0;
    LPWSTR* const args = CommandLineToArgvW(GetCommandLineW(), &argc);
    LPWSTR* argv = args;
    const bool aes = argv && argc > 1 && std::wstring(argv[1]) == L"--aes";
    if (aes) {
        ++argv;
        --argc;
    }
    if (!argv || argc < 3) {
        std::fprintf(stderr, "usage: zip_pack_tool [--aes] ARCHIVE PASSWORD|- NAME PATH ...\n");
        return 2;
    }
    std::wstring list;
    for (int i = 3; i < argc; ++i) {
        if (i > 3) list += L'\t';
        list += argv[i];
    }
    std::string password;
    const std::wstring pw = argv[2];
    if (pw != L"-") {
        const int n = WideCharToMultiByte(CP_ACP, 0, pw.c_str(), -1, nullptr, 0, nullptr, nullptr);
        password.resize(static_cast<size_t>(n));
        WideCharToMultiByte(CP_ACP, 0, pw.c_str(), -1, &password[0], n, nullptr, nullptr);
        password.resize(static_cast<size_t>(n - 1));
    }
    const long code = velmor::zip::PackFiles(
        argv[1], list, password,
        aes ? velmor::zip::EntryEncryption::Aes256 : velmor::zip::EntryEncryption::Traditional);
    LocalFree(args);
    std::printf("%ld\n", code);
    return static_cast<int>(code);
}

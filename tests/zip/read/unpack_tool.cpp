// unpack_tool ARCHIVE FOLDER [PASSWORD]: unpacks with the engine and prints the result code.
// The interop driver runs it under Wine on archives made by other tools.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "zip/unpack.h"

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3) {
        std::fprintf(stderr, "usage: unpack_tool ARCHIVE FOLDER [PASSWORD]\n");
        return 2;
    }
    std::string password;
    if (argc > 3) {
        char buffer[512] = {};
        WideCharToMultiByte(CP_ACP, 0, argv[3], -1, buffer, sizeof buffer - 1, nullptr, nullptr);
        password = buffer;
    }
    const long result = velmor::zip::UnpackArchive(argv[1], argv[2], password);
    LocalFree(argv);
    std::printf("%ld\n", result);
    return 0;
}

// archive_tool COMMAND ARCHIVE [ARGUMENT] [PASSWORD]: one call of the archive engine, its result
// code printed on the last line; the peers' test driver runs it under Wine.
//   list ARCHIVE                 the listing (UTF-8), then the code
//   test ARCHIVE [- PASSWORD]
//   files ARCHIVE NAMES FOLDER [PASSWORD]   NAMES: tab-separated
//   add ARCHIVE LIST [PASSWORD [aes]]       LIST: Pack's tab-separated pairs
//   remove ARCHIVE NAMES
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "zip/archive_listing.h"
#include "zip/archive_update.h"
#include "zip/unpack.h"

namespace {

std::string Ansi(const wchar_t* text) {
    char buffer[512] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    return buffer;
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                      &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

}  // namespace

int main() {
    using namespace velmor::zip;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3) {
        std::fprintf(stderr, "usage: archive_tool list|test|files|add|remove ARCHIVE ...\n");
        return 2;
    }
    const std::wstring command = argv[1];
    const std::wstring archive = argv[2];
    auto arg = [&](int i) { return i < argc ? std::wstring(argv[i]) : std::wstring(); };
    auto password = [&](int i) { return i < argc ? Ansi(argv[i]) : std::string(); };
    long result = -1;
    if (command == L"list") {
        std::wstring text;
        result = ListArchive(archive, &text);
        std::fwrite(Utf8(text).data(), 1, Utf8(text).size(), stdout);
    } else if (command == L"test") {
        result = TestArchive(archive, password(4));
    } else if (command == L"files") {
        result = UnpackFiles(archive, arg(3), arg(4), password(5));
    } else if (command == L"add") {
        const EntryEncryption encryption =
            arg(5) == L"aes" ? EntryEncryption::Aes256 : EntryEncryption::Traditional;
        result = AddFiles(archive, arg(3), password(4), encryption);
    } else if (command == L"remove") {
        result = RemoveEntries(archive, arg(3));
    }
    LocalFree(argv);
    std::printf("%ld\n", result);
    return 0;
}

// Command-line front end of the encryption engine, for the test drivers that
// compare with OpenSSL and that decrypt in another Wine prefix.
//
//   crypto_tool enc|dec <password or -> <source> <target>
//
// Prints "result=<code>" and, on failure, the description (UTF-8); the exit
// code is the ResultCode.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>

#include "crypto/file_cryptor.h"

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

struct ArgvDeleter {
    void operator()(wchar_t** argv) const { LocalFree(argv); }
};

}  // namespace

int main() {
    int argc = 0;
    std::unique_ptr<wchar_t*, ArgvDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    if (!argv || argc != 5) {
        std::fputs("usage: crypto_tool enc|dec <password|-> <source> <target>\n", stderr);
        return 2;
    }
    const std::wstring verb = argv.get()[1];
    const std::wstring password = argv.get()[2];

    velmor::crypto::FileCryptor cryptor;
    cryptor.SetPassword(password == L"-" ? std::wstring() : password);
    const long result = verb == L"enc" ? cryptor.EncryptFile(argv.get()[3], argv.get()[4])
                                       : cryptor.DecryptFile(argv.get()[3], argv.get()[4]);
    std::printf("result=%ld\n", result);
    if (result != 0) std::printf("%s\n", Utf8(cryptor.lastErrorText()).c_str());
    return static_cast<int>(result);
}

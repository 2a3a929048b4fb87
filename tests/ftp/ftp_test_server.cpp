#include "ftp_test_server.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "ftp_test_files.h"

namespace velmor::ftp::testing {
namespace {

std::wstring StateFolder() { return StateFolderFrom(L"VELMOR_FTP_STATE"); }

}  // namespace

std::wstring StateFolderFrom(const wchar_t* variable) {
    wchar_t value[MAX_PATH] = {};
    if (GetEnvironmentVariableW(variable, value, MAX_PATH) == 0) return L"";
    return WindowsPathOf(value);
}

std::wstring WindowsPathOf(std::wstring path) {
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;  // a Unix path under Wine
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

bool TestServer::Available() { return Port() > 0; }

int TestServer::Port() {
    const std::wstring state = StateFolder();
    if (state.empty()) return 0;
    const std::vector<BYTE> text = ReadWholeFile(state + L"\\port");
    return std::atoi(std::string(text.begin(), text.end()).c_str());
}

std::wstring TestServer::Address(const std::wstring& suffix) {
    return L"127.0.0.1:" + std::to_wstring(Port()) + suffix;
}

std::wstring TestServer::Root() { return StateFolder() + L"\\root"; }

std::wstring TestServer::RootFile(const std::wstring& relative) {
    std::wstring path = Root() + L"\\" + relative;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace velmor::ftp::testing

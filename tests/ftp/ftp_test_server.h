// Where the tests find the local FTP server that ftp_test_server.py started:
// VELMOR_FTP_STATE names its state folder (a Unix path), which holds the port
// and the served root.
#pragma once

#include <string>

namespace velmor::ftp::testing {

struct TestServer {
    // False when no server was started for this run.
    static bool Available();
    static int Port();
    // "127.0.0.1:<port>" plus any suffix, as Connect takes it.
    static std::wstring Address(const std::wstring& suffix = L"");
    // The served root as a Windows path, and a file or folder under it.
    static std::wstring Root();
    static std::wstring RootFile(const std::wstring& relative);
};

// A Unix path (as Wine maps it) or a Windows path, as a Windows path.
std::wstring WindowsPathOf(std::wstring path);

// The folder an environment variable names (a Unix path under Wine) as a
// Windows path; empty when the variable is not set.
std::wstring StateFolderFrom(const wchar_t* variable);

// True when running under Wine rather than Windows.
bool RunningUnderWine();

}  // namespace velmor::ftp::testing

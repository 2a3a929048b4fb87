// Where the TLS tests find the servers tls_servers.py started:
// VELMOR_FTP_TLS_STATE names its state folder, whose servers.txt holds
// key=value lines (ports, user, fingerprints, the test CA).
#pragma once

#include <string>

namespace velmor::ftp::testing {

struct TlsServers {
    // False when no servers were started for this run.
    static bool Available();
    // The value of a key as UTF-16 (empty when missing).
    static std::wstring Value(const std::string& key);
    // "host:port" of the server with that port key, plus a suffix.
    static std::wstring Address(const std::string& portKey, const std::wstring& suffix = L"");
    static std::wstring User() { return Value("user"); }
    static std::wstring Password() { return Value("password"); }
    // A Unix path of the state as a Windows path.
    static std::wstring WindowsPath(const std::string& key);
};

}  // namespace velmor::ftp::testing

#include "tls_test_servers.h"

#include <windows.h>

#include <map>

#include "ftp/text_encoding.h"
#include "ftp_test_files.h"
#include "ftp_test_server.h"

namespace velmor::ftp::testing {
namespace {

const std::map<std::string, std::string>& Values() {
    static const std::map<std::string, std::string> values = [] {
        std::map<std::string, std::string> read;
        const std::wstring state = StateFolderFrom(L"VELMOR_FTP_TLS_STATE");
        if (state.empty()) return read;
        const std::vector<BYTE> bytes = ReadWholeFile(state + L"\\servers.txt");
        const std::string text(bytes.begin(), bytes.end());
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(pos, end - pos);
            const size_t equals = line.find('=');
            if (equals != std::string::npos) read[line.substr(0, equals)] = line.substr(equals + 1);
            pos = end + 1;
        }
        return read;
    }();
    return values;
}

}  // namespace

bool TlsServers::Available() { return !Values().empty(); }

std::wstring TlsServers::Value(const std::string& key) {
    const auto found = Values().find(key);
    return found == Values().end() ? std::wstring() : DecodeText(CP_UTF8, found->second);
}

std::wstring TlsServers::Address(const std::string& portKey, const std::wstring& suffix) {
    return Value("host") + L":" + Value(portKey) + suffix;
}

std::wstring TlsServers::WindowsPath(const std::string& key) { return WindowsPathOf(Value(key)); }

}  // namespace velmor::ftp::testing

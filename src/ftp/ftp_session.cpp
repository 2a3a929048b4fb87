#include "ftp/ftp_session.h"

#include "base/win/string_resource.h"
#include "ftp/ftp_constants.h"
#include "ftp/ftp_error_mapping.h"
#include "ftp/ftp_paths.h"
#include "ftp/remote_lookup.h"
#include "ftp/server_text.h"
#include "module/resource.h"

namespace velmor::ftp {

void FtpSession::SetProxy(const std::wstring& proxyName, const std::wstring& login,
                          const std::wstring& password) {
    context_.proxyName = CutText(proxyName, kMaxProxyChars);
    context_.proxyUser = CutText(login, kMaxProxyChars);
    context_.proxyPassword = CutText(password, kMaxProxyChars);
}

long FtpSession::OpenSession() {
    if (context_.sessionHandle) return kResultOk;
    const bool useProxy = !context_.proxyName.empty();
    HINTERNET session = api_.OpenSession(
        kAgentName, useProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_DIRECT,
        useProxy ? context_.proxyName.c_str() : nullptr);
    if (session == nullptr) return kResultGeneralError;
    context_.sessionHandle = InternetHandle(&api_, session);

    if (useProxy && !context_.proxyUser.empty()) {
        api_.SetStringOption(session, INTERNET_OPTION_PROXY_USERNAME, context_.proxyUser.c_str(),
                             static_cast<DWORD>(context_.proxyUser.size()));
        api_.SetStringOption(session, INTERNET_OPTION_PROXY_PASSWORD,
                             context_.proxyPassword.c_str(),
                             static_cast<DWORD>(context_.proxyPassword.size()));
    }
    return kResultOk;
}

long FtpSession::Connect(const std::wstring& server, const std::wstring& userName,
                         const std::wstring& password) {
    const ServerAddress address = ParseServerText(server);
    if (!context_.sessionHandle) return kResultNoSession;
    context_.Disconnect();
    // A text without a host names no server; nothing is asked of the network.
    if (address.host.empty()) return kResultGeneralError;
    // The proxy is WinINet's and cannot carry TLS; a malformed pin is never
    // taken for no pin.
    if (address.tls && (!tls_ || !context_.proxyName.empty() || address.badPin)) {
        return kResultGeneralError;
    }

    view_.SetStatusText(LoadResourceString(IDS_FTP_STATUS_CONNECTING));
    std::shared_ptr<FtpApi> api =
        address.tls ? tls_(address.pin) : std::shared_ptr<FtpApi>(std::shared_ptr<FtpApi>(), &api_);
    if (!api) return kResultGeneralError;
    HINTERNET connection =
        api->ConnectFtp(context_.sessionHandle.get(), address.host.c_str(), address.port,
                        userName.c_str(), password.c_str(), address.passive ? kPassiveFlag : 0);
    if (connection == nullptr) return MapConnectError(api->LastError());
    if (address.tls) context_.tlsApi = api;
    context_.connectionHandle = InternetHandle(api.get(), connection);
    return kResultOk;
}

template <typename Operation>
long FtpSession::RemoteOperation(const std::wstring& path, Operation operation) {
    const std::wstring prepared = PrepareRemotePath(path);
    if (!context_.connectionHandle) return kResultNotConnected;
    const std::shared_ptr<FtpApi> api = context_.ConnectionApi(api_);
    return operation(*api, context_.connectionHandle.get(), prepared.c_str()) ? kResultOk
                                                                              : kResultGeneralError;
}

long FtpSession::SetCurDir(const std::wstring& path) {
    return RemoteOperation(
        path, [](FtpApi& api, HINTERNET c, const wchar_t* p) { return api.ChangeDirectory(c, p); });
}

long FtpSession::DeleteFile(const std::wstring& fileName) {
    return RemoteOperation(
        fileName, [](FtpApi& api, HINTERNET c, const wchar_t* p) { return api.RemoveFile(c, p); });
}

long FtpSession::CreateDirectory(const std::wstring& path) {
    return RemoteOperation(
        path, [](FtpApi& api, HINTERNET c, const wchar_t* p) { return api.MakeDirectory(c, p); });
}

long FtpSession::FileExists(const std::wstring& file) {
    const std::wstring prepared = PrepareRemotePath(file);
    if (!context_.connectionHandle) return kResultNotConnected;
    HINTERNET connection = context_.connectionHandle.get();
    const std::shared_ptr<FtpApi> api = context_.ConnectionApi(api_);
    switch (LookUpRemoteFile(*api, connection, prepared, kExistsFindFlags).outcome) {
        case Lookup::kFound:
            return kResultOk;
        case Lookup::kNotListed:
            return kResultFileNotFound;
        case Lookup::kFailed:
            break;
    }
    // The listing gave no answer; a file that opens exists all the same.
    return RemoteFileOpens(*api, connection, prepared) ? kResultOk : kResultGeneralError;
}

void FtpSession::CloseSession() {
    view_.SetStatusText(LoadResourceString(IDS_FTP_STATUS_CLOSING));
    context_.Disconnect();
    context_.sessionHandle.reset();
    view_.Close();
}

}  // namespace velmor::ftp

#include "ftp/ftp_session.h"

#include "base/win/string_resource.h"
#include "ftp/ftp_constants.h"
#include "ftp/ftp_error_mapping.h"
#include "ftp/ftp_paths.h"
#include "ftp/listing_text.h"
#include "ftp/local_file.h"
#include "ftp/server_text.h"
#include "ftp/wininet_session.h"
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
    // The proxy is WinINet's and carries neither TLS nor SSH; a malformed pin
    // is never taken for no pin.
    if (address.tls || address.sftp) {
        const RemoteConnector& connector = address.sftp ? sftp_ : tls_;
        if (!connector || (address.tls && address.sftp) || !context_.proxyName.empty() ||
            address.badPin) {
            return kResultGeneralError;
        }
        view_.SetStatusText(LoadResourceString(IDS_FTP_STATUS_CONNECTING));
        RemoteConnection made =
            connector({address, userName, password, context_.privateKey, context_.keyPassphrase});
        context_.fingerprint = made.fingerprint;
        if (made.outcome == RemoteOutcome::kOk && !made.session) {
            made.outcome = RemoteOutcome::kFailed;
        }
        if (made.outcome == RemoteOutcome::kOk) context_.connection = std::move(made.session);
        return ResultForConnect(made.outcome);
    }

    view_.SetStatusText(LoadResourceString(IDS_FTP_STATUS_CONNECTING));
    HINTERNET connection =
        api_.ConnectFtp(context_.sessionHandle.get(), address.host.c_str(), address.port,
                        userName.c_str(), password.c_str(), address.passive ? kPassiveFlag : 0);
    if (connection == nullptr) return ResultForConnect(OutcomeForWinInetError(api_.LastError()));
    context_.connection = std::make_shared<WinInetSession>(api_, connection);
    return kResultOk;
}

template <typename Operation>
long FtpSession::RemoteOperation(const std::wstring& path, Operation operation) {
    const std::wstring prepared = PrepareRemotePath(path);
    if (!context_.connection) return kResultNotConnected;
    const std::shared_ptr<RemoteSession> session = context_.connection;
    return operation(*session, prepared) == RemoteOutcome::kOk ? kResultOk : kResultGeneralError;
}

long FtpSession::SetCurDir(const std::wstring& path) {
    return RemoteOperation(
        path, [](RemoteSession& s, const std::wstring& p) { return s.ChangeDirectory(p); });
}

long FtpSession::DeleteFile(const std::wstring& fileName) {
    return RemoteOperation(fileName,
                           [](RemoteSession& s, const std::wstring& p) { return s.RemoveFile(p); });
}

long FtpSession::CreateDirectory(const std::wstring& path) {
    return RemoteOperation(
        path, [](RemoteSession& s, const std::wstring& p) { return s.MakeDirectory(p); });
}

long FtpSession::RemoveFolder(const std::wstring& path) {
    return RemoteOperation(
        path, [](RemoteSession& s, const std::wstring& p) { return s.RemoveFolder(p); });
}

long FtpSession::RenameFile(const std::wstring& from, const std::wstring& to) {
    const std::wstring target = PrepareRemotePath(to);
    return RemoteOperation(
        from, [&](RemoteSession& s, const std::wstring& p) { return s.Rename(p, target); });
}

long FtpSession::FileExists(const std::wstring& file) {
    const std::wstring prepared = PrepareRemotePath(file);
    if (!context_.connection) return kResultNotConnected;
    const std::shared_ptr<RemoteSession> session = context_.connection;
    RemoteListEntry entry;
    switch (session->Lookup(prepared, false, &entry)) {
        case RemoteOutcome::kOk:
            return kResultOk;
        case RemoteOutcome::kNotFound:
            return kResultFileNotFound;
        default:
            break;
    }
    // The listing gave no answer; a file that opens exists all the same.
    std::unique_ptr<RemoteFile> opened;
    return session->OpenRead(prepared, &opened) == RemoteOutcome::kOk ? kResultOk
                                                                      : kResultGeneralError;
}

long FtpSession::ListDirectory(const std::wstring& path, std::wstring* entries) {
    entries->clear();
    std::vector<RemoteListEntry> listed;
    const long result = RemoteOperation(
        path, [&](RemoteSession& s, const std::wstring& p) { return s.List(p, &listed); });
    if (result != kResultOk) return result;
    *entries = FormatListing(listed);
    return kResultOk;
}

long FtpSession::SetPrivateKey(const std::wstring& keyFile, const std::wstring& passphrase) {
    if (keyFile.empty()) {  // back to the password
        context_.privateKey.clear();
        context_.keyPassphrase.clear();
        return kResultOk;
    }
    Win32LocalFiles files;
    std::string privateKey;
    if (!ReadSmallFile(files, keyFile, kMaxKeyFileBytes, &privateKey)) {
        return kResultLocalFileError;
    }
    context_.privateKey = std::move(privateKey);
    context_.keyPassphrase = passphrase;
    return kResultOk;
}

void FtpSession::CloseSession() {
    view_.SetStatusText(LoadResourceString(IDS_FTP_STATUS_CLOSING));
    context_.Disconnect();
    context_.sessionHandle.reset();
    view_.Close();
}

}  // namespace velmor::ftp

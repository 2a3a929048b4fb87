#include "ftp/orv_ftp.h"

#include "ftp/ftp_context.h"
#include "ftp/ftp_download.h"
#include "ftp/ftp_file_set.h"
#include "ftp/ftp_session.h"
#include "ftp/ftp_upload.h"
#include "ftp/local_file.h"
#include "ftp/progress_window.h"
#include "ftp/win/schannel_tls_factory.h"
#include "ftp/win/sftp_connector.h"
#include "ftp/windowless_view.h"
#include "ftp/wininet_api.h"
#include "module/bstr_util.h"
#include "module/com_call.h"
#include "module/module.h"
#include "module/result_codes.h"

namespace velmor {
namespace {

// The real platform behind the process-wide FTP state; like the state itself,
// it lives as long as the process.
struct FtpPlatform {
    ftp::WinInetApi api;
    ftp::Win32LocalFiles files;
};

FtpPlatform& Platform() {
    static FtpPlatform* const platform = new FtpPlatform();
    return *platform;
}

// One engine call: the shared context, the real WinINet and the progress
// window over this library's dialog resource, or the same without the window.
struct FtpCall {
    explicit FtpCall(bool showWindow = true)
        : view(showWindow ? static_cast<ftp::ProgressView&>(window) : windowless) {}

    ftp::FtpContext& context = ftp::FtpContext::Process();
    ftp::ProgressWindow window{context, ModuleInstance()};
    ftp::WindowlessView windowless{window};
    ftp::ProgressView& view;
    ftp::FtpSession session{context, Platform().api, window,
                            ftp::SchannelTlsConnector(ftp::kNetworkTimeoutMs),
                            ftp::SftpConnector(ftp::kNetworkTimeoutMs)};
};

// An open session must survive every object and any attempt to unload the
// library while the host still relies on it, so the library stays loaded.
void PinLibrary() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&Platform), &self);
}

}  // namespace

template <class Body>
HRESULT COrvFtp::Run(long* result, Body&& body) {
    if (!result) return E_POINTER;
    long outcome = kResultGeneralError;
    const HRESULT hr =
        events().busy() ? S_OK : ResultCall(&outcome, static_cast<long>(kResultGeneralError), body);
    lastResult_ = outcome;
    *result = outcome;
    return hr;
}

STDMETHODIMP COrvFtp::SetProxy(BSTR proxyName, BSTR login, BSTR password) {
    if (events().busy()) return S_OK;
    return ActionCall([&] {
        FtpCall().session.SetProxy(BstrToWString(proxyName), BstrToWString(login),
                                   BstrToWString(password));
    });
}

STDMETHODIMP COrvFtp::OpenSession(long* result) {
    return Run(result, [&] {
        const long opened = FtpCall().session.OpenSession();
        if (opened == kResultOk) PinLibrary();
        return opened;
    });
}

STDMETHODIMP COrvFtp::CloseSession() {
    if (events().busy()) return S_OK;
    return ActionCall([&] { FtpCall().session.CloseSession(); });
}

STDMETHODIMP COrvFtp::GetFile(BSTR localFile, BSTR remoteFile, long* result) {
    return Run(result, [&] {
        FtpCall call(showWindow_);
        ProgressEvents progress(events());
        ftp::FtpDownload download(call.context, call.view, Platform().files, ftp::kChunkPauseMs,
                                  options_);
        return download.GetFile(BstrToWString(localFile), BstrToWString(remoteFile), &progress);
    });
}

STDMETHODIMP COrvFtp::SetCurDir(BSTR path, long* result) {
    return Run(result, [&] { return FtpCall().session.SetCurDir(BstrToWString(path)); });
}

STDMETHODIMP COrvFtp::DeleteFile(BSTR fileName, long* result) {
    return Run(result, [&] { return FtpCall().session.DeleteFile(BstrToWString(fileName)); });
}

STDMETHODIMP COrvFtp::PutFile(BSTR localFile, BSTR remoteFile, long* result) {
    return Run(result, [&] {
        FtpCall call(showWindow_);
        ProgressEvents progress(events());
        ftp::FtpUpload upload(call.context, call.view, Platform().files, options_);
        return upload.PutFile(BstrToWString(localFile), BstrToWString(remoteFile), &progress);
    });
}

STDMETHODIMP COrvFtp::CreateDirectory(BSTR path, long* result) {
    return Run(result, [&] { return FtpCall().session.CreateDirectory(BstrToWString(path)); });
}

STDMETHODIMP COrvFtp::FileExists(BSTR file, long* result) {
    return Run(result, [&] { return FtpCall().session.FileExists(BstrToWString(file)); });
}

STDMETHODIMP COrvFtp::ErrDescription(long ErrCode, BSTR* result) {
    return SharedErrDescription(ErrCode, result);
}

STDMETHODIMP COrvFtp::Connect(BSTR server, BSTR userName, BSTR password, long* result) {
    return Run(result, [&] {
        return FtpCall().session.Connect(BstrToWString(server), BstrToWString(userName),
                                         BstrToWString(password));
    });
}

STDMETHODIMP COrvFtp::get_ShowProgressWindow(VARIANT_BOOL* value) {
    return GetProperty(value, showWindow_);
}

STDMETHODIMP COrvFtp::put_ShowProgressWindow(VARIANT_BOOL value) {
    showWindow_ = value != VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP COrvFtp::put_OnProgress(VARIANT handler) { return events().PutHandler(handler); }

STDMETHODIMP COrvFtp::putref_OnProgress(IDispatch* handler) {
    return events().PutHandlerRef(handler);
}

STDMETHODIMP COrvFtp::get_LastResult(long* value) { return GetProperty(value, lastResult_); }

STDMETHODIMP COrvFtp::ListDirectory(BSTR path, BSTR* entries) {
    long code = kResultGeneralError;
    const HRESULT hr = TextCall(entries, [&] {
        std::wstring text;
        if (!events().busy()) code = FtpCall().session.ListDirectory(BstrToWString(path), &text);
        return text;
    });
    lastResult_ = code;
    return hr;
}

STDMETHODIMP COrvFtp::RenameFile(BSTR from, BSTR to, long* result) {
    return Run(result, [&] {
        return FtpCall().session.RenameFile(BstrToWString(from), BstrToWString(to));
    });
}

STDMETHODIMP COrvFtp::RemoveDirectory(BSTR path, long* result) {
    return Run(result, [&] { return FtpCall().session.RemoveFolder(BstrToWString(path)); });
}

STDMETHODIMP COrvFtp::SetPrivateKey(BSTR keyFile, BSTR passphrase, long* result) {
    return Run(result, [&] {
        return FtpCall().session.SetPrivateKey(BstrToWString(keyFile), BstrToWString(passphrase));
    });
}

STDMETHODIMP COrvFtp::get_HostKeyFingerprint(BSTR* fingerprint) {
    return TextCall(fingerprint, [] { return ftp::FtpContext::Process().fingerprint; });
}

namespace {

std::wstring Lines(const std::vector<std::wstring>& names) {
    std::wstring text;
    for (const std::wstring& name : names) text += name + L"\r\n";
    return text;
}

}  // namespace

template <class Move>
HRESULT COrvFtp::RunFileSet(BSTR from, BSTR to, long flags, long* result, Move move) {
    if ((flags & ~ftp::kTransferFlagsMask) != 0) return E_INVALIDARG;
    return Run(result, [&] {
        FtpCall call(showWindow_);
        ProgressEvents progress(events());
        ftp::FtpFileSet set(call.context, call.view, Platform().files, options_, flags);
        std::vector<std::wstring> moved;
        transferred_.clear();
        const long outcome = (set.*move)(BstrToWString(from), BstrToWString(to), &progress, &moved);
        transferred_ = Lines(moved);
        return outcome;
    });
}

STDMETHODIMP COrvFtp::GetFiles(BSTR remotePath, BSTR localFolder, long flags, long* result) {
    return RunFileSet(remotePath, localFolder, flags, result, &ftp::FtpFileSet::GetFiles);
}

STDMETHODIMP COrvFtp::PutFiles(BSTR localPath, BSTR remoteFolder, long flags, long* result) {
    return RunFileSet(localPath, remoteFolder, flags, result, &ftp::FtpFileSet::PutFiles);
}

STDMETHODIMP COrvFtp::get_TransferredFiles(BSTR* files) {
    return TextCall(files, [&] { return transferred_; });
}

STDMETHODIMP COrvFtp::get_Resume(VARIANT_BOOL* value) {
    return GetProperty(value, options_.resume);
}

STDMETHODIMP COrvFtp::put_Resume(VARIANT_BOOL value) {
    options_.resume = value != VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP COrvFtp::get_PreserveTime(VARIANT_BOOL* value) {
    return GetProperty(value, options_.preserveTime);
}

STDMETHODIMP COrvFtp::put_PreserveTime(VARIANT_BOOL value) {
    options_.preserveTime = value != VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP COrvFtp::get_SpeedLimit(long* value) {
    return GetProperty(value, options_.speedLimit);
}

STDMETHODIMP COrvFtp::put_SpeedLimit(long value) {
    if (value < 0) return E_INVALIDARG;
    options_.speedLimit = value;
    return S_OK;
}

}  // namespace velmor

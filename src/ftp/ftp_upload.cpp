#include "ftp/ftp_upload.h"

#include <memory>
#include <new>

#include "base/win/string_resource.h"
#include "ftp/ftp_constants.h"
#include "ftp/ftp_paths.h"
#include "ftp/internet_handle.h"
#include "module/resource.h"

namespace velmor::ftp {
namespace {

// An upload shows its percentage from the first text on.
constexpr ProgressFormats kFormats = {IDS_FTP_UPLOAD_BYTES, IDS_FTP_UPLOAD_PERCENT,
                                      IDS_FTP_UPLOAD_PERCENT};

}  // namespace

long FtpUpload::PutFile(const std::wstring& localFile, const std::wstring& remoteFile,
                        ProgressSink* progress) {
    TransferReport report(progress, remoteFile);
    return Run(PrepareLocalPath(localFile), PrepareRemotePath(remoteFile), report);
}

long FtpUpload::Run(const std::wstring& localFile, const std::wstring& remoteFile,
                    TransferReport& report) {
    context_.BeginTransfer();
    ProgressWindowScope windowScope(view_);
    if (!context_.connectionHandle) return kResultNotConnected;

    std::unique_ptr<LocalSource> local = files_.OpenForReading(localFile);
    if (!local) return kResultLocalFileError;

    const HINTERNET connection = context_.connectionHandle.get();
    // Alive to the end, whatever the host does while the messages are pumped.
    const std::shared_ptr<FtpApi> api = context_.ConnectionApi(api_);
    InternetHandle remote(api.get(), api->OpenRemoteFile(connection, remoteFile.c_str(),
                                                         GENERIC_WRITE, kOpenFileFlags));
    if (!remote) return kResultFileNotFound;

    view_.Show(LoadResourceString(IDS_FTP_UPLOAD_CAPTION));
    TransferProgress progress(context_, view_, kFormats);
    progress.Start(local->Size());

    long result = report.Start(static_cast<int64_t>(local->Size()))
                      ? Transfer(*api, *local, remote.get(), progress, report)
                      : kResultCancelled;
    local.reset();
    // Closing the handle ends the transfer; the server has the whole file only
    // when that succeeds too.
    if (!api->CloseHandle(remote.release()) && result == kResultOk) {
        result = kResultGeneralError;
    }
    if (result == kResultOk) report.Finish();
    // No half file stays on the server. When the host ended the session during
    // the upload, no connection is left to delete it with.
    if (result != kResultOk && context_.connectionHandle.get() == connection &&
        context_.ConnectionApi(api_) == api) {
        api->RemoveFile(connection, remoteFile.c_str());
    }
    return result;
}

long FtpUpload::Transfer(FtpApi& api, LocalSource& local, HINTERNET remote,
                         TransferProgress& progress, TransferReport& report) {
    const DWORD chunkSize = context_.chunkSize;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[chunkSize]);
    if (!buffer) return kResultGeneralError;
    view_.PumpMessages();
    if (context_.cancelFlag) return kResultCancelled;

    for (;;) {
        DWORD read = 0;
        if (!local.Read(buffer.get(), chunkSize, &read)) return kResultGeneralError;
        if (read == 0) return kResultOk;
        DWORD written = 0;
        if (!api.Write(remote, buffer.get(), read, &written) || written != read) {
            return kResultGeneralError;
        }
        progress.Advance(read);
        if (!report.Advance(read)) return kResultCancelled;
        view_.PumpMessages();
        if (context_.cancelFlag) return kResultCancelled;
    }
}

}  // namespace velmor::ftp

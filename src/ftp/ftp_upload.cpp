#include "ftp/ftp_upload.h"

#include <memory>
#include <new>

#include "base/win/string_resource.h"
#include "ftp/ftp_constants.h"
#include "ftp/ftp_paths.h"
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
    if (!context_.connection) return kResultNotConnected;

    std::unique_ptr<LocalSource> local = files_.OpenForReading(localFile);
    if (!local) return kResultLocalFileError;

    // Alive to the end, whatever the host does while the messages are pumped.
    const std::shared_ptr<RemoteSession> session = context_.connection;
    std::unique_ptr<RemoteFile> remote;
    if (session->OpenWrite(remoteFile, &remote) != RemoteOutcome::kOk) return kResultFileNotFound;

    view_.Show(LoadResourceString(IDS_FTP_UPLOAD_CAPTION));
    TransferProgress progress(context_, view_, kFormats);
    progress.Start(local->Size());

    long result = report.Start(static_cast<int64_t>(local->Size()))
                      ? Transfer(*local, *remote, progress, report)
                      : kResultCancelled;
    local.reset();
    // Finishing ends the transfer; the server has the whole file only when
    // that succeeds too.
    if (remote->Finish() != RemoteOutcome::kOk && result == kResultOk) {
        result = kResultGeneralError;
    }
    remote.reset();
    if (result == kResultOk) report.Finish();
    // No half file stays on the server. When the host ended the session during
    // the upload, no connection is left to delete it with.
    if (result != kResultOk && context_.connection == session) session->RemoveFile(remoteFile);
    return result;
}

long FtpUpload::Transfer(LocalSource& local, RemoteFile& remote, TransferProgress& progress,
                         TransferReport& report) {
    const DWORD chunkSize = context_.chunkSize;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[chunkSize]);
    if (!buffer) return kResultGeneralError;
    view_.PumpMessages();
    if (context_.cancelFlag) return kResultCancelled;

    for (;;) {
        DWORD read = 0;
        if (!local.Read(buffer.get(), chunkSize, &read)) return kResultGeneralError;
        if (read == 0) return kResultOk;
        if (remote.Write(buffer.get(), read) != RemoteOutcome::kOk) return kResultGeneralError;
        progress.Advance(read);
        if (!report.Advance(read)) return kResultCancelled;
        view_.PumpMessages();
        if (context_.cancelFlag) return kResultCancelled;
    }
}

}  // namespace velmor::ftp

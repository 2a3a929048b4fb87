#include "ftp/ftp_download.h"

#include <memory>
#include <new>

#include "base/win/string_resource.h"
#include "ftp/ftp_paths.h"
#include "module/resource.h"

namespace velmor::ftp {
namespace {

constexpr ProgressFormats kFormats = {IDS_FTP_DOWNLOAD_BYTES, IDS_FTP_DOWNLOAD_FIRST,
                                      IDS_FTP_DOWNLOAD_PERCENT};

void ShowStatus(ProgressView& view, UINT text) { view.SetStatusText(LoadResourceString(text)); }

}  // namespace

long FtpDownload::GetFile(const std::wstring& localFile, const std::wstring& remoteFile,
                          ProgressSink* progress) {
    TransferReport report(progress, remoteFile);
    return Run(PrepareLocalPath(localFile), PrepareRemotePath(remoteFile), report);
}

void FtpDownload::Pause() {
    view_.PumpMessages();
    Sleep(pauseMs_);
}

long FtpDownload::Run(const std::wstring& localFile, const std::wstring& remoteFile,
                      TransferReport& report) {
    context_.BeginTransfer();
    if (!context_.connection) {
        view_.Close();
        return kResultNotConnected;
    }
    ProgressWindowScope windowScope(view_);
    ShowStatus(view_, IDS_FTP_STATUS_PREPARING);

    // The session stays alive to the end, whatever the host does while the
    // messages are pumped.
    const std::shared_ptr<RemoteSession> session = context_.connection;
    RemoteListEntry found;
    const RemoteOutcome lookup = session->Lookup(remoteFile, true, &found);
    if (lookup == RemoteOutcome::kNotFound) {
        ShowStatus(view_, IDS_FTP_STATUS_NO_FILE);
        return kResultFileNotFound;
    }
    // A listing that gave no answer is no proof that the file is missing: a
    // file that opens is downloaded with its size unknown.
    std::unique_ptr<RemoteFile> remote;
    if (session->OpenRead(remoteFile, &remote) != RemoteOutcome::kOk) {
        ShowStatus(view_, lookup == RemoteOutcome::kOk ? IDS_FTP_STATUS_OPEN_FAILED
                                                       : IDS_FTP_STATUS_LOOKUP_FAILED);
        return kResultFileNotFound;
    }

    std::unique_ptr<LocalFile> local = files_.Create(localFile);
    if (!local) {
        ShowStatus(view_, IDS_FTP_STATUS_TARGET_FAILED);
        return kResultLocalFileError;
    }

    view_.Show(LoadResourceString(IDS_FTP_DOWNLOAD_CAPTION));
    TransferProgress progress(context_, view_, kFormats);
    progress.Start(lookup == RemoteOutcome::kOk ? found.size : 0);

    long result = report.Start(lookup == RemoteOutcome::kOk ? static_cast<int64_t>(found.size) : -1)
                      ? Transfer(*remote, *local, progress, report)
                      : kResultCancelled;
    if (result == kResultOk) report.Finish();
    // A file that cannot be completed on disk is as good as lost.
    if (!local->Close() && result == kResultOk) result = kResultGeneralError;
    local.reset();
    if (result != kResultOk) files_.Remove(localFile);
    remote.reset();
    return result;
}

long FtpDownload::Transfer(RemoteFile& remote, LocalFile& local, TransferProgress& progress,
                           TransferReport& report) {
    const DWORD chunkSize = context_.chunkSize;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[chunkSize]);
    if (!buffer) return kResultGeneralError;
    Pause();
    if (context_.cancelFlag) return kResultCancelled;

    for (;;) {
        size_t read = 0;
        if (remote.Read(buffer.get(), chunkSize, &read) != RemoteOutcome::kOk) {
            ShowStatus(view_, IDS_FTP_STATUS_READ_FAILED);
            return kResultGeneralError;
        }
        if (read == 0) return kResultOk;
        if (!local.Write(buffer.get(), static_cast<DWORD>(read))) return kResultGeneralError;
        progress.Advance(static_cast<DWORD>(read));
        if (!report.Advance(static_cast<DWORD>(read))) return kResultCancelled;
        Pause();
        if (context_.cancelFlag) return kResultCancelled;
    }
}

}  // namespace velmor::ftp

#include "ftp/ftp_download.h"

#include <memory>
#include <new>

#include "base/win/string_resource.h"
#include "ftp/ftp_paths.h"
#include "ftp/internet_handle.h"
#include "ftp/remote_lookup.h"
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
    if (!context_.connectionHandle) {
        view_.Close();
        return kResultNotConnected;
    }
    ProgressWindowScope windowScope(view_);
    ShowStatus(view_, IDS_FTP_STATUS_PREPARING);

    // The connection's seam stays alive to the end, whatever the host does
    // while the messages are pumped.
    const std::shared_ptr<FtpApi> api = context_.ConnectionApi(api_);
    const LookupResult found =
        LookUpRemoteFile(*api, context_.connectionHandle.get(), remoteFile, kDownloadFindFlags);
    if (found.outcome == Lookup::kNotListed) {
        ShowStatus(view_, IDS_FTP_STATUS_NO_FILE);
        return kResultFileNotFound;
    }
    // A listing that gave no answer is no proof that the file is missing: a
    // file that opens is downloaded with its size unknown.
    InternetHandle remote(api.get(),
                          api->OpenRemoteFile(context_.connectionHandle.get(), remoteFile.c_str(),
                                              GENERIC_READ, kOpenFileFlags));
    if (!remote) {
        ShowStatus(view_, found.outcome == Lookup::kFound ? IDS_FTP_STATUS_OPEN_FAILED
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
    progress.Start(found.size);

    long result =
        report.Start(found.outcome == Lookup::kFound ? static_cast<int64_t>(found.size) : -1)
            ? Transfer(*api, remote.get(), *local, progress, report)
            : kResultCancelled;
    if (result == kResultOk) report.Finish();
    // A file that cannot be completed on disk is as good as lost.
    if (!local->Close() && result == kResultOk) result = kResultGeneralError;
    local.reset();
    if (result != kResultOk) files_.Remove(localFile);
    remote.reset();
    return result;
}

long FtpDownload::Transfer(FtpApi& api, HINTERNET remote, LocalFile& local,
                           TransferProgress& progress, TransferReport& report) {
    const DWORD chunkSize = context_.chunkSize;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[chunkSize]);
    if (!buffer) return kResultGeneralError;
    Pause();
    if (context_.cancelFlag) return kResultCancelled;

    for (;;) {
        DWORD read = 0;
        if (!api.Read(remote, buffer.get(), chunkSize, &read)) {
            ShowStatus(view_, IDS_FTP_STATUS_READ_FAILED);
            return kResultGeneralError;
        }
        if (read == 0) return kResultOk;
        if (!local.Write(buffer.get(), read)) return kResultGeneralError;
        progress.Advance(read);
        if (!report.Advance(read)) return kResultCancelled;
        Pause();
        if (context_.cancelFlag) return kResultCancelled;
    }
}

}  // namespace velmor::ftp

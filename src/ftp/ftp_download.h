// GetFile's download: one remote file into one local file, in binary mode and
// in chunks, with a pause and a message pump after each chunk.
#pragma once

#include <windows.h>

#include <string>

#include "ftp/ftp_constants.h"
#include "ftp/ftp_context.h"
#include "ftp/local_file.h"
#include "ftp/progress_view.h"
#include "ftp/remote_session.h"
#include "ftp/transfer_progress.h"
#include "ftp/transfer_report.h"

namespace velmor::ftp {

class FtpDownload {
public:
    // pauseMs: the pause after each chunk; the component always uses
    // kChunkPauseMs, tests of large files may pass 0.
    FtpDownload(FtpContext& context, ProgressView& view, LocalFiles& files,
                DWORD pauseMs = kChunkPauseMs)
        : context_(context), view_(view), files_(files), pauseMs_(pauseMs) {}

    // Takes the names as the caller gave them and prepares them itself. progress, when given,
    // hears of the bytes received under the remote name as given; when it stops the
    // download, GetFile gives kResultCancelled and removes the local file.
    long GetFile(const std::wstring& localFile, const std::wstring& remoteFile,
                 ProgressSink* progress = nullptr);

private:
    long Run(const std::wstring& localFile, const std::wstring& remoteFile, TransferReport& report);
    long Transfer(RemoteFile& remote, LocalFile& local, TransferProgress& progress,
                  TransferReport& report);
    void Pause();

    FtpContext& context_;
    ProgressView& view_;
    LocalFiles& files_;
    DWORD pauseMs_;
};

}  // namespace velmor::ftp

// PutFile's upload: one local file into one remote file, in binary mode and
// in chunks, with a message pump after each chunk. Uploads are not paced.
#pragma once

#include <windows.h>

#include <string>

#include "ftp/ftp_context.h"
#include "ftp/local_file.h"
#include "ftp/progress_view.h"
#include "ftp/remote_session.h"
#include "ftp/transfer_progress.h"
#include "ftp/transfer_report.h"

namespace velmor::ftp {

class FtpUpload {
public:
    FtpUpload(FtpContext& context, ProgressView& view, LocalFiles& files)
        : context_(context), view_(view), files_(files) {}

    // Takes the names as the caller gave them and prepares them itself. progress, when given,
    // hears of the bytes sent under the remote name as given; when it stops the upload,
    // PutFile gives kResultCancelled and removes the remote file.
    long PutFile(const std::wstring& localFile, const std::wstring& remoteFile,
                 ProgressSink* progress = nullptr);

private:
    long Run(const std::wstring& localFile, const std::wstring& remoteFile, TransferReport& report);
    long Transfer(LocalSource& local, RemoteFile& remote, TransferProgress& progress,
                  TransferReport& report);

    FtpContext& context_;
    ProgressView& view_;
    LocalFiles& files_;
};

}  // namespace velmor::ftp

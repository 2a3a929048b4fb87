// PutFile's upload: one local file into one remote file, in binary mode and
// in chunks, with a message pump after each chunk. Uploads are not paced. A
// set of files uploads each of its files the same way, in one window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ftp/ftp_context.h"
#include "ftp/local_file.h"
#include "ftp/progress_view.h"
#include "ftp/remote_session.h"
#include "ftp/transfer_options.h"
#include "ftp/transfer_progress.h"
#include "ftp/transfer_report.h"

namespace velmor::ftp {

class FtpUpload {
public:
    FtpUpload(FtpContext& context, ProgressView& view, LocalFiles& files,
              TransferOptions options = TransferOptions())
        : context_(context), view_(view), files_(files), options_(options) {}

    // Takes the names as the caller gave them and prepares them itself. progress, when given,
    // hears of the bytes sent under the remote name as given; when it stops the upload,
    // PutFile gives kResultCancelled and removes the remote file (with Resume, keeps its
    // part).
    long PutFile(const std::wstring& localFile, const std::wstring& remoteFile,
                 ProgressSink* progress = nullptr);

    // One file of a set, its window open and its progress started; both names prepared.
    long Send(const std::shared_ptr<RemoteSession>& session, const std::wstring& localFile,
              const std::wstring& remoteFile, TransferProgress& progress, TransferReport& report);

private:
    long Run(const std::wstring& localFile, const std::wstring& remoteFile, TransferReport& report);
    // Opens the remote side, continuing a part where Resume finds one no
    // longer than the source; *offset: the bytes the server already holds.
    RemoteOutcome OpenRemote(RemoteSession& session, const std::wstring& target,
                             ULONGLONG sourceSize, std::unique_ptr<RemoteFile>* remote,
                             std::uint64_t* offset);
    // Ends the remote side; a completed file gets its name and time, a failed
    // one is removed (with Resume, its part stays).
    long Complete(const std::shared_ptr<RemoteSession>& session, const std::wstring& localFile,
                  const std::wstring& remoteFile, std::unique_ptr<RemoteFile> remote, long result,
                  TransferReport* report);
    long Transfer(LocalSource& local, RemoteFile& remote, TransferProgress& progress,
                  TransferReport& report);

    FtpContext& context_;
    ProgressView& view_;
    LocalFiles& files_;
    TransferOptions options_;
};

}  // namespace velmor::ftp

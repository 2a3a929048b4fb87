// GetFile's download: one remote file into one local file, in binary mode and
// in chunks, with a message pump after each chunk, at the pace SpeedLimit asks
// (by default a pause after each 4096-byte chunk). A set of files downloads
// each of its files the same way, in one window.
#pragma once

#include <windows.h>

#include <string>

#include "ftp/ftp_constants.h"
#include "ftp/ftp_context.h"
#include "ftp/local_file.h"
#include "ftp/progress_view.h"
#include "ftp/remote_session.h"
#include "ftp/transfer_options.h"
#include "ftp/transfer_progress.h"
#include "ftp/transfer_report.h"

namespace velmor::ftp {

class FtpDownload {
public:
    // pauseMs: the pause after each chunk at the default speed; the component
    // always uses kChunkPauseMs, tests of large files may pass 0.
    FtpDownload(FtpContext& context, ProgressView& view, LocalFiles& files,
                DWORD pauseMs = kChunkPauseMs, TransferOptions options = TransferOptions())
        : context_(context), view_(view), files_(files), pauseMs_(pauseMs), options_(options) {}

    // Takes the names as the caller gave them and prepares them itself. progress, when given,
    // hears of the bytes received under the remote name as given; when it stops the
    // download, GetFile gives kResultCancelled and removes the local file (with Resume, keeps
    // its part).
    long GetFile(const std::wstring& localFile, const std::wstring& remoteFile,
                 ProgressSink* progress = nullptr);

    // One file of a set, its window open and its progress started: the remote
    // file as the set's listing found it, into a prepared local name.
    long Fetch(RemoteSession& session, const std::wstring& remoteFile, const RemoteListEntry& found,
               const std::wstring& localFile, TransferProgress& progress, TransferReport& report);

private:
    struct Opened;

    long Run(const std::wstring& localFile, const std::wstring& remoteFile, TransferReport& report);
    // Opens both sides, continuing a part where Resume finds one. found: the
    // lookup's entry, null when the lookup gave no answer.
    long Open(RemoteSession& session, const std::wstring& remoteFile, const RemoteListEntry* found,
              const std::wstring& localFile, Opened* opened);
    // Counts the bytes a continued part already holds.
    bool Continue(const Opened& opened, TransferProgress& progress, TransferReport& report);
    // Closes both sides; a completed file gets its name and time, a failed one
    // is removed (with Resume, its part stays).
    long Complete(RemoteSession& session, const std::wstring& remoteFile,
                  const std::wstring& localFile, Opened& opened, long result);
    long Transfer(RemoteFile& remote, LocalFile& local, TransferProgress& progress,
                  TransferReport& report);
    long PacedTransfer(RemoteFile& remote, LocalFile& local, TransferProgress& progress,
                       TransferReport& report);
    void Pause();

    FtpContext& context_;
    ProgressView& view_;
    LocalFiles& files_;
    DWORD pauseMs_;
    TransferOptions options_;
};

}  // namespace velmor::ftp

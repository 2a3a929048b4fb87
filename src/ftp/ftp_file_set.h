// GetFiles and PutFiles: every file of a folder (and, on request, of its
// subfolders) whose name matches a mask, listed first and then moved one by
// one in one window, its progress that of the whole set.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/progress_sink.h"
#include "ftp/ftp_constants.h"
#include "ftp/ftp_context.h"
#include "ftp/local_file.h"
#include "ftp/progress_view.h"
#include "ftp/transfer_options.h"

namespace velmor::ftp {

class FtpFileSet {
public:
    // flags: kTransferRecurse, kTransferMove and kTransferNewerOnly, no other bit.
    // pauseMs as FtpDownload takes it.
    FtpFileSet(FtpContext& context, ProgressView& view, LocalFiles& files, TransferOptions options,
               long flags, DWORD pauseMs = kChunkPauseMs)
        : context_(context),
          view_(view),
          files_(files),
          options_(options),
          flags_(flags),
          pauseMs_(pauseMs) {}

    // remotePath: a folder, or a folder and a mask in its last part. Every
    // matching file arrives in localFolder (created when missing). *moved:
    // the files that arrived whole, relative to localFolder ("\" between
    // folders). No matching file gives kResultFileNotFound.
    long GetFiles(const std::wstring& remotePath, const std::wstring& localFolder,
                  ProgressSink* progress, std::vector<std::wstring>* moved);
    // The same from a local folder (and mask) into remoteFolder; *moved: "/"
    // between folders. No matching file gives kResultLocalFileError.
    long PutFiles(const std::wstring& localPath, const std::wstring& remoteFolder,
                  ProgressSink* progress, std::vector<std::wstring>* moved);

    struct Item {
        std::wstring relative;  // below both folders, "/" between folders
        RemoteListEntry source;
    };

private:
    bool Has(long flag) const { return (flags_ & flag) != 0; }
    // The files below a folder: false when a listing failed.
    bool ListRemote(RemoteSession& session, const std::wstring& folder, const std::wstring& mask,
                    const std::wstring& relative, std::vector<Item>* items);
    bool ListLocal(const std::wstring& folder, const std::wstring& mask,
                   const std::wstring& relative, std::vector<Item>* items);
    // Whether the target of a NewerOnly transfer is as new as its source.
    bool RemoteIsCurrent(RemoteSession& session, const std::wstring& target,
                         const RemoteListEntry& source);
    bool LocalIsCurrent(RemoteSession& session, const std::wstring& remoteSource,
                        const std::wstring& target, const RemoteListEntry& source);
    void MakeRemoteFolders(RemoteSession& session, const std::wstring& folder);

    FtpContext& context_;
    ProgressView& view_;
    LocalFiles& files_;
    TransferOptions options_;
    long flags_;
    DWORD pauseMs_;
};

}  // namespace velmor::ftp

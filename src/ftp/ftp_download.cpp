#include "ftp/ftp_download.h"

#include <algorithm>
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

struct FtpDownload::Opened {
    std::unique_ptr<RemoteFile> remote;
    std::unique_ptr<LocalFile> local;
    std::wstring written;      // the local name written to: the file's, or its part's
    std::uint64_t offset = 0;  // the bytes a continued part already held
    std::string listedTime;    // the remote file's time as its listing showed it
};

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
    Opened opened;
    const long openedResult = Open(
        *session, remoteFile, lookup == RemoteOutcome::kOk ? &found : nullptr, localFile, &opened);
    if (openedResult != kResultOk) return openedResult;

    view_.Show(LoadResourceString(IDS_FTP_DOWNLOAD_CAPTION));
    TransferProgress progress(context_, view_, kFormats);
    progress.Start(lookup == RemoteOutcome::kOk ? found.size : 0);

    long result =
        report.Start(lookup == RemoteOutcome::kOk ? static_cast<int64_t>(found.size) : -1) &&
                Continue(opened, progress, report)
            ? Transfer(*opened.remote, *opened.local, progress, report)
            : kResultCancelled;
    if (result == kResultOk) report.Finish();
    return Complete(*session, remoteFile, localFile, opened, result);
}

long FtpDownload::Fetch(RemoteSession& session, const std::wstring& remoteFile,
                        const RemoteListEntry& found, const std::wstring& localFile,
                        TransferProgress& progress, TransferReport& report) {
    Opened opened;
    const long openedResult = Open(session, remoteFile, &found, localFile, &opened);
    if (openedResult != kResultOk) return openedResult;
    const long result = Continue(opened, progress, report)
                            ? Transfer(*opened.remote, *opened.local, progress, report)
                            : kResultCancelled;
    return Complete(session, remoteFile, localFile, opened, result);
}

long FtpDownload::Open(RemoteSession& session, const std::wstring& remoteFile,
                       const RemoteListEntry* found, const std::wstring& localFile,
                       Opened* opened) {
    opened->written = options_.resume ? localFile + kPartSuffix : localFile;
    if (found) opened->listedTime = found->modified;
    RemoteListEntry part;
    // A part longer than the file is no beginning of it.
    if (options_.resume && files_.Describe(opened->written, &part) &&
        part.type == EntryType::kFile &&
        (!found || !found->sizeKnown || part.size <= found->size)) {
        opened->offset = part.size;
    }
    RemoteOutcome outcome = opened->offset != 0
                                ? session.OpenReadAt(remoteFile, opened->offset, &opened->remote)
                                : session.OpenRead(remoteFile, &opened->remote);
    if (outcome == RemoteOutcome::kRestartRefused) {
        opened->offset = 0;
        outcome = session.OpenRead(remoteFile, &opened->remote);
    }
    if (outcome != RemoteOutcome::kOk) {
        ShowStatus(view_, found ? IDS_FTP_STATUS_OPEN_FAILED : IDS_FTP_STATUS_LOOKUP_FAILED);
        return kResultFileNotFound;
    }
    opened->local = opened->offset != 0 ? files_.OpenForAppend(opened->written)
                                        : files_.Create(opened->written);
    if (!opened->local) {
        ShowStatus(view_, IDS_FTP_STATUS_TARGET_FAILED);
        return kResultLocalFileError;
    }
    return kResultOk;
}

bool FtpDownload::Continue(const Opened& opened, TransferProgress& progress,
                           TransferReport& report) {
    if (opened.offset == 0) return true;
    progress.Advance(static_cast<DWORD>(opened.offset));
    return report.Advance(opened.offset);
}

long FtpDownload::Complete(RemoteSession& session, const std::wstring& remoteFile,
                           const std::wstring& localFile, Opened& opened, long result) {
    // A file that cannot be completed on disk is as good as lost.
    if (!opened.local->Close() && result == kResultOk) result = kResultGeneralError;
    opened.local.reset();
    // With Resume the part of a failed download stays, to be continued.
    if (result != kResultOk && !options_.resume) files_.Remove(opened.written);
    opened.remote.reset();
    if (result != kResultOk) return result;
    if (options_.resume && !files_.Rename(opened.written, localFile)) return kResultLocalFileError;
    if (options_.preserveTime) {
        // The listing's time where the session tells none more exact.
        std::string modified;
        if (session.ModifiedTime(remoteFile, &modified) != RemoteOutcome::kOk) {
            modified = opened.listedTime;
        }
        if (!modified.empty()) files_.SetModifiedTime(localFile, modified);
    }
    return kResultOk;
}

long FtpDownload::Transfer(RemoteFile& remote, LocalFile& local, TransferProgress& progress,
                           TransferReport& report) {
    if (options_.speedLimit != kDefaultSpeedLimit) {
        return PacedTransfer(remote, local, progress, report);
    }
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

// Any speed but the default: chunks of a tenth of a second's bytes (up to
// kFastChunkSize), a sleep whenever the bytes run ahead of the clock, and the
// progress shown and the messages pumped at most every kProgressIntervalMs.
long FtpDownload::PacedTransfer(RemoteFile& remote, LocalFile& local, TransferProgress& progress,
                                TransferReport& report) {
    const std::uint64_t limit = static_cast<std::uint64_t>(options_.speedLimit);
    const DWORD chunkSize = limit == 0 ? kFastChunkSize
                                       : static_cast<DWORD>(std::clamp<std::uint64_t>(
                                             limit / 10, kMinPacedChunkSize, kFastChunkSize));
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[chunkSize]);
    if (!buffer) return kResultGeneralError;
    view_.PumpMessages();
    if (context_.cancelFlag) return kResultCancelled;

    const ULONGLONG start = GetTickCount64();
    ULONGLONG shown = start;
    std::uint64_t received = 0;
    DWORD unshown = 0;
    // Shows the bytes not shown yet; false when the caller stopped the download.
    auto show = [&] {
        shown = GetTickCount64();
        if (unshown == 0) return true;
        progress.Advance(unshown);
        const bool going = report.Advance(unshown);
        unshown = 0;
        return going;
    };
    for (;;) {
        size_t read = 0;
        if (remote.Read(buffer.get(), chunkSize, &read) != RemoteOutcome::kOk) {
            ShowStatus(view_, IDS_FTP_STATUS_READ_FAILED);
            return kResultGeneralError;
        }
        if (read == 0) return show() ? kResultOk : kResultCancelled;
        if (!local.Write(buffer.get(), static_cast<DWORD>(read))) return kResultGeneralError;
        received += read;
        unshown += static_cast<DWORD>(read);
        for (;;) {
            const ULONGLONG now = GetTickCount64();
            if (now - shown >= kProgressIntervalMs) {
                if (!show()) return kResultCancelled;
                view_.PumpMessages();
                if (context_.cancelFlag) return kResultCancelled;
            }
            const ULONGLONG due = limit == 0 ? 0 : received * 1000 / limit;
            if (now - start >= due) break;
            Sleep(
                static_cast<DWORD>(std::min<ULONGLONG>(due - (now - start), kProgressIntervalMs)));
        }
    }
}

}  // namespace velmor::ftp

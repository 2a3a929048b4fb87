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
    std::uint64_t offset = 0;
    if (OpenRemote(*session, remoteFile, local->Size(), &remote, &offset) != RemoteOutcome::kOk ||
        !local->Seek(offset)) {
        return kResultFileNotFound;
    }

    view_.Show(LoadResourceString(IDS_FTP_UPLOAD_CAPTION));
    TransferProgress progress(context_, view_, kFormats);
    progress.Start(local->Size());

    bool going = report.Start(static_cast<int64_t>(local->Size()));
    if (going && offset != 0) {
        progress.Advance(static_cast<DWORD>(offset));
        going = report.Advance(offset);
    }
    const long result = going ? Transfer(*local, *remote, progress, report) : kResultCancelled;
    local.reset();
    return Complete(session, localFile, remoteFile, std::move(remote), result, &report);
}

long FtpUpload::Send(const std::shared_ptr<RemoteSession>& session, const std::wstring& localFile,
                     const std::wstring& remoteFile, TransferProgress& progress,
                     TransferReport& report) {
    std::unique_ptr<LocalSource> local = files_.OpenForReading(localFile);
    if (!local) return kResultLocalFileError;
    std::unique_ptr<RemoteFile> remote;
    std::uint64_t offset = 0;
    if (OpenRemote(*session, remoteFile, local->Size(), &remote, &offset) != RemoteOutcome::kOk ||
        !local->Seek(offset)) {
        return kResultFileNotFound;
    }
    bool going = true;
    if (offset != 0) {
        progress.Advance(static_cast<DWORD>(offset));
        going = report.Advance(offset);
    }
    const long result = going ? Transfer(*local, *remote, progress, report) : kResultCancelled;
    local.reset();
    return Complete(session, localFile, remoteFile, std::move(remote), result, nullptr);
}

RemoteOutcome FtpUpload::OpenRemote(RemoteSession& session, const std::wstring& target,
                                    ULONGLONG sourceSize, std::unique_ptr<RemoteFile>* remote,
                                    std::uint64_t* offset) {
    *offset = 0;
    if (!options_.resume) return session.OpenWrite(target, remote);
    const std::wstring part = target + kPartSuffix;
    RemoteListEntry found;
    if (session.Lookup(part, false, &found) == RemoteOutcome::kOk &&
        found.type == EntryType::kFile && found.sizeKnown && found.size <= sourceSize) {
        *offset = found.size;
    }
    if (*offset != 0) {
        const RemoteOutcome outcome = session.OpenWriteAt(part, *offset, remote);
        if (outcome != RemoteOutcome::kRestartRefused) return outcome;
        *offset = 0;
    }
    return session.OpenWrite(part, remote);
}

long FtpUpload::Complete(const std::shared_ptr<RemoteSession>& session,
                         const std::wstring& localFile, const std::wstring& remoteFile,
                         std::unique_ptr<RemoteFile> remote, long result, TransferReport* report) {
    // Finishing ends the transfer; the server has the whole file only when
    // that succeeds too.
    if (remote->Finish() != RemoteOutcome::kOk && result == kResultOk) {
        result = kResultGeneralError;
    }
    remote.reset();
    if (result == kResultOk && report) report->Finish();
    // When the host ended the session during the upload, no connection is
    // left to tidy up with.
    if (!session || context_.connection != session) return result;
    const std::wstring part = options_.resume ? remoteFile + kPartSuffix : remoteFile;
    if (result != kResultOk) {
        // No half file stays on the server under its name; with Resume the
        // part stays, to be continued.
        if (!options_.resume) session->RemoveFile(remoteFile);
        return result;
    }
    if (options_.resume && session->Rename(part, remoteFile) != RemoteOutcome::kOk) {
        // Some servers (SFTP version 3) rename onto no existing name.
        session->RemoveFile(remoteFile);
        if (session->Rename(part, remoteFile) != RemoteOutcome::kOk) return kResultGeneralError;
    }
    RemoteListEntry source;
    if (options_.preserveTime && files_.Describe(localFile, &source) && !source.modified.empty()) {
        session->SetModifiedTime(remoteFile, source.modified);  // where the server can
    }
    return kResultOk;
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

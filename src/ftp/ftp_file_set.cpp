#include "ftp/ftp_file_set.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <set>

#include "base/win/string_resource.h"
#include "ftp/ftp_download.h"
#include "ftp/ftp_paths.h"
#include "ftp/ftp_upload.h"
#include "ftp/transfer_progress.h"
#include "ftp/transfer_report.h"
#include "module/resource.h"

namespace velmor::ftp {
namespace {

constexpr ProgressFormats kDownloadFormats = {IDS_FTP_DOWNLOAD_BYTES, IDS_FTP_DOWNLOAD_FIRST,
                                              IDS_FTP_DOWNLOAD_PERCENT};
constexpr ProgressFormats kUploadFormats = {IDS_FTP_UPLOAD_BYTES, IDS_FTP_UPLOAD_PERCENT,
                                            IDS_FTP_UPLOAD_PERCENT};
constexpr wchar_t kRemoteSeparators[] = L"/";
constexpr wchar_t kLocalSeparators[] = L"\\/";

void ShowStatus(ProgressView& view, UINT text) { view.SetStatusText(LoadResourceString(text)); }

bool IsSeparator(const wchar_t* separators, wchar_t c) {
    return c != L'\0' && std::wcschr(separators, c) != nullptr;
}

// A folder, or a folder and a mask in the last part: the folder without its
// closing separators ("" for the current one) and the mask ("*" for none).
void SplitMask(std::wstring path, const wchar_t* separators, std::wstring* folder,
               std::wstring* mask) {
    while (path.size() > 1 && IsSeparator(separators, path.back())) path.pop_back();
    const size_t last = path.find_last_of(separators);
    const std::wstring tail = last == std::wstring::npos ? path : path.substr(last + 1);
    if (!IsMask(tail)) {
        *folder = path;
        *mask = L"*";
        return;
    }
    *mask = tail;
    *folder = last == std::wstring::npos ? std::wstring() : path.substr(0, last == 0 ? 1 : last);
}

std::wstring Join(const std::wstring& folder, const std::wstring& name, wchar_t separator,
                  const wchar_t* separators) {
    if (folder.empty()) return name;
    return IsSeparator(separators, folder.back()) ? folder + name : folder + separator + name;
}

std::wstring RemoteName(const std::wstring& folder, const std::wstring& relative) {
    return Join(folder, relative, L'/', kRemoteSeparators);
}

std::wstring LocalName(const std::wstring& folder, std::wstring relative) {
    std::replace(relative.begin(), relative.end(), L'/', L'\\');
    return Join(folder.empty() ? std::wstring(L".") : folder, relative, L'\\', kLocalSeparators);
}

// A folder's entries as a set takes them: files matching the mask, each
// folder's files before its subfolders, both in name order; links never.
void Arrange(std::vector<RemoteListEntry>* entries) {
    std::sort(entries->begin(), entries->end(),
              [](const RemoteListEntry& a, const RemoteListEntry& b) {
                  const bool aFolder = a.type == EntryType::kDirectory;
                  const bool bFolder = b.type == EntryType::kDirectory;
                  return aFolder != bFolder ? bFolder : a.name < b.name;
              });
}

// The target's time is at least the source's; to the minute when one of them
// came from a listing that shows no seconds.
bool AtLeastAsNew(const std::string& target, const std::string& source, bool toTheMinute) {
    if (target.empty() || source.empty()) return false;
    const size_t length = toTheMinute ? 16 : std::string::npos;
    return target.substr(0, length) >= source.substr(0, length);
}

uint64_t TotalSize(const std::vector<FtpFileSet::Item>& items) {
    uint64_t total = 0;
    for (const FtpFileSet::Item& item : items) total += item.source.size;
    return total;
}

}  // namespace

bool FtpFileSet::ListRemote(RemoteSession& session, const std::wstring& folder,
                            const std::wstring& mask, const std::wstring& relative,
                            std::vector<Item>* items) {
    std::vector<RemoteListEntry> entries;
    if (session.List(folder, &entries) != RemoteOutcome::kOk) return false;
    Arrange(&entries);
    for (const RemoteListEntry& entry : entries) {
        if (entry.type == EntryType::kFile && MatchesMask(mask, entry.name)) {
            items->push_back({relative + entry.name, entry});
        } else if (entry.type == EntryType::kDirectory && Has(kTransferRecurse) &&
                   !ListRemote(session, RemoteName(folder, entry.name), mask,
                               relative + entry.name + L"/", items)) {
            return false;
        }
    }
    return true;
}

bool FtpFileSet::ListLocal(const std::wstring& folder, const std::wstring& mask,
                           const std::wstring& relative, std::vector<Item>* items) {
    std::vector<RemoteListEntry> entries;
    if (!files_.List(LocalName(folder, relative), &entries)) return false;
    Arrange(&entries);
    for (const RemoteListEntry& entry : entries) {
        if (entry.type == EntryType::kFile && MatchesMask(mask, entry.name)) {
            items->push_back({relative + entry.name, entry});
        } else if (entry.type == EntryType::kDirectory && Has(kTransferRecurse) &&
                   !ListLocal(folder, mask, relative + entry.name + L"/", items)) {
            return false;
        }
    }
    return true;
}

bool FtpFileSet::LocalIsCurrent(RemoteSession& session, const std::wstring& remoteSource,
                                const std::wstring& target, const RemoteListEntry& source) {
    RemoteListEntry local;
    if (!source.sizeKnown || !files_.Describe(target, &local) || local.type != EntryType::kFile ||
        local.size != source.size) {
        return false;
    }
    std::string exact;
    if (session.ModifiedTime(remoteSource, &exact) == RemoteOutcome::kOk) {
        return AtLeastAsNew(local.modified, exact, false);
    }
    return AtLeastAsNew(local.modified, source.modified, true);
}

bool FtpFileSet::RemoteIsCurrent(RemoteSession& session, const std::wstring& target,
                                 const RemoteListEntry& source) {
    RemoteListEntry remote;
    if (session.Lookup(target, false, &remote) != RemoteOutcome::kOk ||
        remote.type != EntryType::kFile || !remote.sizeKnown || remote.size != source.size) {
        return false;
    }
    std::string exact;
    if (session.ModifiedTime(target, &exact) == RemoteOutcome::kOk) {
        return AtLeastAsNew(exact, source.modified, false);
    }
    return AtLeastAsNew(remote.modified, source.modified, true);
}

// Every folder on the way, from the top; those that exist refuse, which
// changes nothing.
void FtpFileSet::MakeRemoteFolders(RemoteSession& session, const std::wstring& folder) {
    for (size_t end = 1; end <= folder.size(); ++end) {
        if (end == folder.size() || (folder[end] == L'/' && folder[end - 1] != L'/')) {
            session.MakeDirectory(folder.substr(0, end));
        }
    }
}

long FtpFileSet::GetFiles(const std::wstring& remotePath, const std::wstring& localFolder,
                          ProgressSink* sink, std::vector<std::wstring>* moved) {
    moved->clear();
    context_.BeginTransfer();
    if (!context_.connection) {
        view_.Close();
        return kResultNotConnected;
    }
    ProgressWindowScope windowScope(view_);
    ShowStatus(view_, IDS_FTP_STATUS_PREPARING);
    const std::shared_ptr<RemoteSession> session = context_.connection;

    std::wstring folder, mask;
    SplitMask(PrepareRemotePath(remotePath), kRemoteSeparators, &folder, &mask);
    std::wstring target = PrepareLocalPath(localFolder);
    while (target.size() > 1 && IsSeparator(kLocalSeparators, target.back())) target.pop_back();

    std::vector<Item> items;
    if (!ListRemote(*session, folder, mask, std::wstring(), &items) || items.empty()) {
        ShowStatus(view_, IDS_FTP_STATUS_NO_FILE);
        return kResultFileNotFound;
    }
    if (Has(kTransferNewerOnly)) {
        items.erase(std::remove_if(items.begin(), items.end(),
                                   [&](const Item& item) {
                                       return LocalIsCurrent(
                                           *session, RemoteName(folder, item.relative),
                                           LocalName(target, item.relative), item.source);
                                   }),
                    items.end());
        if (items.empty()) return kResultOk;  // everything is current already
    }
    if (!files_.MakeFolder(LocalName(target, std::wstring()))) {
        ShowStatus(view_, IDS_FTP_STATUS_TARGET_FAILED);
        return kResultLocalFileError;
    }

    view_.Show(LoadResourceString(IDS_FTP_DOWNLOAD_CAPTION));
    TransferProgress progress(context_, view_, kDownloadFormats);
    const uint64_t total = TotalSize(items);
    progress.Start(total);
    TransferReport report(sink, RemoteName(folder, items.front().relative));
    if (!report.Start(static_cast<int64_t>(total))) return kResultCancelled;
    FtpDownload download(context_, view_, files_, pauseMs_, options_);
    for (const Item& item : items) {
        const std::wstring source = RemoteName(folder, item.relative);
        const std::wstring local = LocalName(target, item.relative);
        const size_t parent = local.find_last_of(L'\\');
        if (parent != std::wstring::npos && !files_.MakeFolder(local.substr(0, parent))) {
            return kResultLocalFileError;
        }
        report.SetName(source);
        const long result = download.Fetch(*session, source, item.source, local, progress, report);
        if (result != kResultOk) return result;
        std::wstring relative = item.relative;
        std::replace(relative.begin(), relative.end(), L'/', L'\\');
        moved->push_back(relative);
        if (Has(kTransferMove) && session->RemoveFile(source) != RemoteOutcome::kOk) {
            return kResultGeneralError;
        }
    }
    report.Finish();
    return kResultOk;
}

long FtpFileSet::PutFiles(const std::wstring& localPath, const std::wstring& remoteFolder,
                          ProgressSink* sink, std::vector<std::wstring>* moved) {
    moved->clear();
    context_.BeginTransfer();
    ProgressWindowScope windowScope(view_);
    if (!context_.connection) return kResultNotConnected;
    const std::shared_ptr<RemoteSession> session = context_.connection;

    std::wstring folder, mask;
    SplitMask(PrepareLocalPath(localPath), kLocalSeparators, &folder, &mask);
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';  // a drive's root
    std::wstring target = PrepareRemotePath(remoteFolder);
    while (target.size() > 1 && target.back() == L'/') target.pop_back();

    std::vector<Item> items;
    if (!ListLocal(folder, mask, std::wstring(), &items) || items.empty()) {
        return kResultLocalFileError;
    }
    if (Has(kTransferNewerOnly)) {
        items.erase(std::remove_if(items.begin(), items.end(),
                                   [&](const Item& item) {
                                       return RemoteIsCurrent(*session,
                                                              RemoteName(target, item.relative),
                                                              item.source);
                                   }),
                    items.end());
        if (items.empty()) return kResultOk;
    }
    if (!target.empty()) MakeRemoteFolders(*session, target);

    view_.Show(LoadResourceString(IDS_FTP_UPLOAD_CAPTION));
    TransferProgress progress(context_, view_, kUploadFormats);
    const uint64_t total = TotalSize(items);
    progress.Start(total);
    TransferReport report(sink, RemoteName(target, items.front().relative));
    if (!report.Start(static_cast<int64_t>(total))) return kResultCancelled;
    FtpUpload upload(context_, view_, files_, options_);
    std::set<std::wstring> made;
    for (const Item& item : items) {
        const std::wstring remote = RemoteName(target, item.relative);
        const size_t parent = item.relative.find_last_of(L'/');
        if (parent != std::wstring::npos && made.insert(item.relative.substr(0, parent)).second) {
            const std::wstring sub = item.relative.substr(0, parent);
            for (size_t end = 0; end != std::wstring::npos;) {
                end = sub.find(L'/', end + 1);
                session->MakeDirectory(RemoteName(target, sub.substr(0, end)));
            }
        }
        report.SetName(remote);
        const std::wstring local = LocalName(folder, item.relative);
        const long result = upload.Send(session, local, remote, progress, report);
        if (result != kResultOk) return result;
        moved->push_back(item.relative);
        if (Has(kTransferMove)) files_.Remove(local);
    }
    report.Finish();
    return kResultOk;
}

}  // namespace velmor::ftp

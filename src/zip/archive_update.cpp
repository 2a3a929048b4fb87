#include "zip/archive_update.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

#include "zip/entry_selection.h"
#include "zip/pack.h"
#include "zip/progress_tally.h"
#include "zip/read/stored_entries.h"
#include "zip/reader.h"
#include "zip/source_total.h"
#include "zip/write/entry_layout.h"
#include "zip/write/writer.h"

namespace velmor::zip {

namespace {

constexpr uint32_t kCopyPieceSize = 64 * 1024;

// The archive as it stands: its entries' names and their stored bytes, read through one
// reader, which stays open for the copying.
struct ExistingArchive {
    std::unique_ptr<ArchiveReader> reader;
    StoredArchive stored;
    std::vector<std::wstring> names;  // decoded as extraction decodes them, directory order
};

// False when the archive cannot be read whole: every entry must be described, so that
// nothing is copied that extraction would refuse.
bool ReadExisting(const std::wstring& archiveName, ExistingArchive* archive) {
    archive->reader = ArchiveReader::Open(archiveName, std::string());
    ArchiveReader* reader = archive->reader.get();
    if (!reader) return false;
    ArchiveEntry entry;
    for (int32_t i = 0; i < reader->entryCount(); ++i) {
        if (reader->GetItem(i, &entry) != ArchiveStatus::Ok) return false;
        archive->names.push_back(entry.name);
    }
    CentralDirectoryCursor& cursor = reader->cursor();
    return ReadStoredEntries(cursor.source(), cursor.endRecord(), &archive->stored) &&
           archive->stored.entries.size() == archive->names.size();
}

// Copies bytes [from, to) of the old archive to the end of the new one.
ArchiveStatus CopyBytes(ByteSource& source, uint64_t from, uint64_t to, ArchiveWriter& writer,
                        std::vector<uint8_t>& buffer, ProgressTally& tally) {
    while (from < to) {
        const uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(to - from, buffer.size()));
        if (!source.ReadAt(from, buffer.data(), piece)) return ArchiveStatus::ReadFailed;
        if (!writer.EntryData(buffer.data(), piece)) return ArchiveStatus::WriteFailed;
        from += piece;
        if (!tally.Add(piece)) return ArchiveStatus::Cancelled;
    }
    return ArchiveStatus::Ok;
}

// Copies the kept entries, in file order, behind the old archive's leading bytes, and
// points their central headers (in directory order) at their new places.
ArchiveStatus CopyKeptEntries(ExistingArchive& archive, const std::vector<bool>& kept,
                              ArchiveWriter& writer, ProgressTally& tally,
                              std::vector<std::vector<uint8_t>>* headers) {
    std::vector<uint8_t> buffer(kCopyPieceSize);
    ByteSource& source = archive.reader->cursor().source();
    std::vector<StoredEntry>& entries = archive.stored.entries;
    ArchiveStatus status = CopyBytes(source, 0, archive.stored.prefixLength, writer, buffer, tally);
    if (status != ArchiveStatus::Ok) return status;
    std::vector<size_t> order;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (kept[i]) order.push_back(i);
    }
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return entries[a].spanStart < entries[b].spanStart; });
    headers->assign(entries.size(), std::vector<uint8_t>());
    for (size_t i : order) {
        (*headers)[i] = entries[i].centralHeader;
        tally.SetName(archive.names[i]);
        if (!RelocateCentralHeader((*headers)[i], writer.written())) return ArchiveStatus::Corrupt;
        status = CopyBytes(source, entries[i].spanStart, entries[i].spanEnd, writer, buffer, tally);
        if (status != ArchiveStatus::Ok) return status;
    }
    return ArchiveStatus::Ok;
}

uint64_t KeptBytes(const StoredArchive& stored, const std::vector<bool>& kept) {
    uint64_t total = stored.prefixLength;
    for (size_t i = 0; i < stored.entries.size(); ++i) {
        if (kept[i]) total += stored.entries[i].spanEnd - stored.entries[i].spanStart;
    }
    return total;
}

long ResultOfCopy(ArchiveStatus status) {
    if (status == ArchiveStatus::Cancelled) return kResultCancelled;
    return status == ArchiveStatus::WriteFailed ? kResultCloseError : kResultOpenArchiveError;
}

bool ArchiveExists(const std::wstring& archiveName) {
    if (GetFileAttributesW(archiveName.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

}  // namespace

long AddFiles(const std::wstring& archiveName, const std::wstring& list,
              const std::string& password, EntryEncryption encryption, int level,
              ProgressSink* progress) {
    if (list.size() + 2 > kFileListCapacity) return kResultFileNamesError;
    const FileList fileList = SplitFileList(list);
    if (fileList.endsWithLoneName) return kResultFileNamesError;
    return AddPairs(archiveName, fileList.pairs, password, encryption, level, progress);
}

long AddPairs(const std::wstring& archiveName, const std::vector<FileListPair>& pairs,
              const std::string& password, EntryEncryption encryption, int level,
              ProgressSink* progress) {
    if (pairs.empty()) return kResultOk;
    if (archiveName.size() > kMaxArchiveNameLength) return kResultPackError;
    if (!ArchiveExists(archiveName)) {
        return PackPairs(archiveName, pairs, password, encryption, level, progress);
    }

    // The new archive first: an existing file that cannot be replaced is refused before it is
    // read.
    std::unique_ptr<ArchiveWriter> writer =
        ArchiveWriter::Create(archiveName, password, encryption, level);
    if (!writer) return kResultPackError;
    ExistingArchive archive;
    if (!ReadExisting(archiveName, &archive)) return kResultOpenArchiveError;
    // An existing entry of a name on the list gives its place in the directory to the new one.
    std::vector<bool> kept(archive.names.size(), true);
    std::vector<int> slotOf(archive.names.size(), -1);
    std::unordered_map<std::wstring, std::vector<size_t>> existing;
    for (size_t i = 0; i < archive.names.size(); ++i)
        existing[EntryNameKey(archive.names[i])].push_back(i);
    for (size_t j = 0; j < pairs.size(); ++j) {
        const auto same = existing.find(EntryNameKey(pairs[j].entryName));
        if (same == existing.end()) continue;
        for (size_t i : same->second) {
            if (kept[i]) slotOf[i] = static_cast<int>(j);
            kept[i] = false;
        }
    }

    ProgressTally tally(progress,
                        static_cast<int64_t>(KeptBytes(archive.stored, kept) + SourceTotal(pairs)));
    if (!tally.Start()) return kResultCancelled;
    std::vector<std::vector<uint8_t>> headers;
    const ArchiveStatus copied = CopyKeptEntries(archive, kept, *writer, tally, &headers);
    if (copied != ArchiveStatus::Ok) return ResultOfCopy(copied);
    const ArchiveStatus status = AddEntries(*writer, pairs, PackThreads(), kWaitingBudget, &tally);
    if (status == ArchiveStatus::Cancelled) return kResultCancelled;
    if (status != ArchiveStatus::Ok) return kResultAddError;

    // The directory: the old order with the replaced entries in their places, then the new.
    const std::vector<WriterEntry>& added = writer->entries();
    std::vector<bool> placed(added.size(), false);
    std::vector<std::vector<uint8_t>> directory;
    for (size_t i = 0; i < headers.size(); ++i) {
        if (kept[i]) {
            directory.push_back(std::move(headers[i]));
        } else if (slotOf[i] >= 0) {
            directory.push_back(CentralHeaderBytes(added[slotOf[i]]));
            placed[slotOf[i]] = true;
        }
    }
    for (size_t j = 0; j < added.size(); ++j) {
        if (!placed[j]) directory.push_back(CentralHeaderBytes(added[j]));
    }
    archive.reader.reset();  // the old archive is replaced next
    tally.Finish();
    return writer->FinishWithDirectory(directory, archive.stored.comment) == ArchiveStatus::Ok
               ? kResultOk
               : kResultCloseError;
}

long RemoveEntries(const std::wstring& archiveName, const std::wstring& names,
                   ProgressSink* progress) {
    if (archiveName.size() > kMaxArchiveNameLength) return kResultOpenArchiveError;
    std::unique_ptr<ArchiveWriter> writer = ArchiveWriter::Create(archiveName, std::string());
    if (!writer) return kResultPackError;
    ExistingArchive archive;
    if (!ReadExisting(archiveName, &archive)) return kResultOpenArchiveError;
    EntrySelection selection(names);
    std::vector<bool> kept(archive.names.size(), true);
    for (size_t i = 0; i < archive.names.size(); ++i) kept[i] = !selection.Picks(archive.names[i]);
    if (!selection.AllNamesUsed()) return kResultValueNotFound;
    ProgressTally tally(progress, static_cast<int64_t>(KeptBytes(archive.stored, kept)));
    if (!tally.Start()) return kResultCancelled;
    std::vector<std::vector<uint8_t>> headers;
    const ArchiveStatus copied = CopyKeptEntries(archive, kept, *writer, tally, &headers);
    if (copied != ArchiveStatus::Ok) return ResultOfCopy(copied);
    std::vector<std::vector<uint8_t>> directory;
    for (size_t i = 0; i < headers.size(); ++i) {
        if (kept[i]) directory.push_back(std::move(headers[i]));
    }
    archive.reader.reset();  // the old archive is replaced next
    tally.Finish();
    return writer->FinishWithDirectory(directory, archive.stored.comment) == ArchiveStatus::Ok
               ? kResultOk
               : kResultCloseError;
}

}  // namespace velmor::zip

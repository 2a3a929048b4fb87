#include "zip/extract.h"

#include <memory>
#include <new>

#include <windows.h>

#include "base/win/handle_traits.h"
#include "zip/read/entry_inflater.h"
#include "zip/read/extract_entry_stream.h"
#include "zip/read/parallel_extract.h"
#include "zip/extract_folders.h"
#include "zip/win/file_times.h"
#include "zip/format/records.h"

namespace velmor::zip {

bool WriteAll(HANDLE file, const uint8_t* data, uint32_t size) {
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(file, data, size, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

namespace {

constexpr DWORD kApplicableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                        FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// Zero means "no time": that one is left as the platform set it.
void ApplyTimes(HANDLE file, const ArchiveEntry& entry) {
    const FILETIME creation = ToFileTime(entry.creationTime);
    const FILETIME access = ToFileTime(entry.accessTime);
    const FILETIME modification = ToFileTime(entry.modificationTime);
    SetFileTime(file, entry.creationTime ? &creation : nullptr,
                entry.accessTime ? &access : nullptr,
                entry.modificationTime ? &modification : nullptr);
}

// Reads the entry to its end and hands each piece to `write`; the entry's status.
template <class Write>
ArchiveStatus DrainEntryData(EntryStream& stream, uint8_t* buffer, ProgressTally* tally,
                             Write&& write) {
    for (;;) {
        const int32_t r = stream.Read(buffer, kEntryChunkSize);
        if (r < 0) return ReadFailureStatus(r);
        if (r == 0) return FinishStatus(stream.Finish());
        if (!write(buffer, static_cast<uint32_t>(r))) return ArchiveStatus::WriteFailed;
        if (tally && !tally->Add(static_cast<uint32_t>(r))) return ArchiveStatus::Cancelled;
    }
}

ArchiveStatus CopyEntryData(EntryStream& stream, HANDLE file, uint8_t* buffer,
                            ProgressTally* tally) {
    return DrainEntryData(stream, buffer, tally, [file](const uint8_t* data, uint32_t size) {
        return WriteAll(file, data, size);
    });
}

}  // namespace

ArchiveStatus CheckEntry(ArchiveReader& reader, int32_t index, const std::wstring& targetName,
                         ArchiveEntry* entry) {
    if (index < 0 || index >= reader.entryCount()) return ArchiveStatus::BadArgument;
    if (reader.cursor().MoveTo(index) != ReaderCode::ReaderOk) return ArchiveStatus::Corrupt;
    const ArchiveStatus described = reader.GetItem(index, entry);
    if (described != ArchiveStatus::Ok) return described;
    // An entry of a method not read here is described, but refused before any file is made.
    if (!IsReadableMethod(entry->method)) return ArchiveStatus::Corrupt;
    if (!IsContainedEntryName(targetName)) return ArchiveStatus::NoFile;
    if (reader.rootFolder().size() + targetName.size() > kMaxJoinedPathLength) {
        return ArchiveStatus::NoFile;
    }
    return ArchiveStatus::Ok;
}

bool IsFolderEntry(const ArchiveEntry& entry, const std::wstring& targetName) {
    // A name that ends in a separator can only be a folder, whatever the attributes say
    // (some writers leave them zero for folders).
    const bool folderName = targetName.back() == L'/' || targetName.back() == L'\\';
    return (entry.attributes & kEntryDirectory) || folderName;
}

ArchiveStatus BeginEntryFile(ArchiveReader& reader, int32_t index, const std::wstring& targetName,
                             ArchiveEntry* entry, ScopedFileHandle* file) {
    const ArchiveStatus checked = CheckEntry(reader, index, targetName, entry);
    if (checked != ArchiveStatus::Ok) return checked;
    const std::wstring& root = reader.rootFolder();
    if (IsFolderEntry(*entry, targetName)) {
        EnsureFolders(root, targetName);
        return ArchiveStatus::Ok;
    }
    EnsureFolders(root, FolderPartToMake(targetName));
    const DWORD attributes = entry->attributes & kApplicableAttributes;
    file->reset(CreateFileW((root + targetName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr));
    return file->valid() ? ArchiveStatus::Ok : ArchiveStatus::NoFile;
}

void EndEntryFile(ScopedFileHandle& file, const std::wstring& path, const ArchiveEntry& entry,
                  ArchiveStatus status) {
    if (!file.valid()) return;
    if (status == ArchiveStatus::Ok) ApplyTimes(file.get(), entry);
    file.reset();
    // A stopped call leaves no partial file behind.
    if (status == ArchiveStatus::Cancelled) DeleteFileW(path.c_str());
}

ArchiveStatus ExtractEntry(ArchiveReader& reader, int32_t index, const std::wstring& targetName,
                           ProgressTally* tally) {
    ArchiveEntry entry;
    ScopedFileHandle file;
    const ArchiveStatus begun = BeginEntryFile(reader, index, targetName, &entry, &file);
    if (begun != ArchiveStatus::Ok || !file.valid()) return begun;

    std::unique_ptr<EntryStream>& stream = reader.entryStream();
    EntryStream::Open(reader.cursor(), reader.password(), &stream, reader.inflaterMemory());
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kEntryChunkSize]);
    ArchiveStatus status = ArchiveStatus::FlateFailed;
    if (stream && buffer) status = CopyEntryData(*stream, file.get(), buffer.get(), tally);
    EndEntryFile(file, reader.rootFolder() + targetName, entry, status);
    stream.reset();
    return status;
}

ArchiveStatus TestEntry(ArchiveReader& reader, int32_t index, const std::wstring& targetName,
                        ProgressTally* tally) {
    ArchiveEntry entry;
    const ArchiveStatus checked = CheckEntry(reader, index, targetName, &entry);
    if (checked != ArchiveStatus::Ok || IsFolderEntry(entry, targetName)) return checked;
    std::unique_ptr<EntryStream>& stream = reader.entryStream();
    EntryStream::Open(reader.cursor(), reader.password(), &stream, reader.inflaterMemory());
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kEntryChunkSize]);
    ArchiveStatus status = ArchiveStatus::FlateFailed;
    if (stream && buffer) {
        status = DrainEntryData(*stream, buffer.get(), tally,
                                [](const uint8_t*, uint32_t) { return true; });
    }
    stream.reset();
    return status;
}

}  // namespace velmor::zip

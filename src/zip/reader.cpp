#include "zip/reader.h"

#include <vector>

#include <windows.h>

#include "zip/format/aes_format.h"
#include "zip/read/extract_entry_stream.h"
#include "zip/read/reader_overlap.h"
#include "zip/win/file_times.h"
#include "zip/read/reader_entry_mapping.h"
#include "zip/stored_name.h"

namespace velmor::zip {

bool CaptureRootFolder(std::wstring* root) {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) return false;
    std::wstring folder(buffer, length);
    if (folder.back() != L'\\' && folder.back() != L'/') folder.push_back(L'\\');
    if (folder.size() > kMaxRootFolderLength) return false;
    *root = std::move(folder);
    return true;
}

std::unique_ptr<ArchiveReader> ArchiveReader::Open(const std::wstring& fileName,
                                                   const std::string& password) {
    std::wstring root;
    if (!CaptureRootFolder(&root)) return nullptr;
    return Open(fileName, password, root);
}

std::unique_ptr<ArchiveReader> ArchiveReader::Open(const std::wstring& fileName,
                                                   const std::string& password,
                                                   const std::wstring& rootFolder) {
    std::unique_ptr<ArchiveReader> reader(new ArchiveReader());
    reader->password_ = password;
    reader->root_ = rootFolder;
    if (!reader->source_.Open(fileName)) return nullptr;
    EndRecord end;
    if (!ReadEndRecord(reader->source_, FindEndRecord(reader->source_), &end) ||
        !SettleEntryCount(reader->source_, &end)) {
        return nullptr;
    }
    reader->entriesApart_ = EntriesLieApart(reader->source_, end);
    reader->cursor_ = std::make_unique<CentralDirectoryCursor>(reader->source_, end);
    reader->cursor_->First();  // an unreadable first header shows up when it is described
    return reader;
}

ArchiveReader::~ArchiveReader() {
    stream_.reset();  // its verdict is of no interest once the archive is closed
}

ArchiveStatus ArchiveReader::GetItem(int32_t index, ArchiveEntry* entry) {
    if (index < -1 || index >= entryCount()) return ArchiveStatus::BadArgument;
    if (index == -1) {
        *entry = ArchiveEntry();
        entry->index = entryCount();
        return ArchiveStatus::Ok;
    }
    if (index == cachedIndex_) {
        *entry = cached_;
        return ArchiveStatus::Ok;
    }
    // Entries that share data are not described at all, so that none is extracted.
    if (!entriesApart_) return ArchiveStatus::Corrupt;
    CentralDirectoryCursor& cursor = *cursor_;
    // A header that cannot be reached or read again leaves nothing to describe.
    if (cursor.MoveTo(index) != ReaderCode::ReaderOk) return ArchiveStatus::Corrupt;
    std::string storedName;
    std::vector<uint8_t> centralExtra;
    if (cursor.ReadCurrentName(&storedName, &centralExtra) != ReaderCode::ReaderOk) {
        return ArchiveStatus::Corrupt;
    }
    LocalHeaderPlacement placement;
    if (cursor.CheckLocalHeader(&placement) != ReaderCode::ReaderOk) return ArchiveStatus::Corrupt;

    std::vector<uint8_t> extra(placement.extraLength);
    if (!source_.IsSeekable()) return ArchiveStatus::ReadFailed;
    if (!extra.empty() && !source_.ReadAt(cursor.prefixLength() + placement.extraPosition,
                                          extra.data(), static_cast<uint32_t>(extra.size()))) {
        return ArchiveStatus::ReadFailed;
    }

    const CentralFileHeader& header = cursor.header();
    // An AES entry needs a 0x9901 block that names a strength and method this reader knows,
    // and room for its salt, verifier and authentication code.
    AesEntryInfo aes;
    if (header.method == kMethodAes && (!FindAesExtra(extra.data(), extra.size(), &aes) ||
                                        cursor.extent().compressedSize < aes.overhead())) {
        return ArchiveStatus::Corrupt;
    }
    ArchiveEntry described;
    described.index = index;
    // A name that cannot be read exactly is never guessed at.
    if (!DecodeEntryName(storedName, header.versionMadeBy, header.flags, centralExtra.data(),
                         centralExtra.size(), &described.name)) {
        return ArchiveStatus::Corrupt;
    }
    described.attributes = MapExternalAttributes(header.versionMadeBy, header.externalAttributes);
    const EntryTimes times = ResolveEntryTimes(header.dosDateTime, extra.data(), extra.size());
    described.accessTime = times.access;
    described.creationTime = times.creation;
    described.modificationTime = times.modification;
    described.compressedSize = cursor.extent().compressedSize;
    described.uncompressedSize = cursor.extent().uncompressedSize;
    described.crc32 = header.crc32;
    described.flags = header.flags;
    described.method = header.method == kMethodAes ? aes.method : header.method;
    described.aesStrength = header.method == kMethodAes ? aes.strength : 0;

    cached_ = described;
    cachedIndex_ = index;
    *entry = std::move(described);
    return ArchiveStatus::Ok;
}

}  // namespace velmor::zip

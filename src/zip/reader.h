// Reading an archive: open it, check its end record, describe entries one at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zip/archive_status.h"
#include "zip/win/file_byte_source.h"
#include "zip/read/inflater_memory.h"
#include "zip/read/reader_cursor.h"
#include "zip/read/reader_end_record.h"
#include "zip/read/reader_entry.h"

namespace velmor::zip {

class EntryStream;

// The root folder (current directory plus separator) must fit 259 units.
constexpr size_t kMaxRootFolderLength = 259;

class ArchiveReader {
public:
    // Opens fileName for reading. password holds ANSI bytes; empty means none. Returns
    // null when the file cannot be opened or has no acceptable end record.
    static std::unique_ptr<ArchiveReader> Open(const std::wstring& fileName,
                                               const std::string& password);
    // The same with the given root folder (ending in a separator) in place of the current
    // directory.
    static std::unique_ptr<ArchiveReader> Open(const std::wstring& fileName,
                                               const std::string& password,
                                               const std::wstring& rootFolder);
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // Index -1 reports the entry count; 0 ... count-1 describe that entry.
    // Ok, BadArgument, Corrupt or ReadFailed.
    ArchiveStatus GetItem(int32_t index, ArchiveEntry* entry);

    int32_t entryCount() const { return cursor_->entryCount(); }
    // The current directory at open time, always ending in a separator.
    const std::wstring& rootFolder() const { return root_; }
    const std::string& password() const { return password_; }
    CentralDirectoryCursor& cursor() { return *cursor_; }
    // The archive file opened once more, for a worker thread's own reads; null on failure.
    std::unique_ptr<ByteSource> OpenSourceAgain() const { return source_.OpenAgain(); }
    // At most one entry stream is open at a time; the reader ends it when it closes.
    std::unique_ptr<EntryStream>& entryStream() { return stream_; }
    // What the entry streams' decoders take, one after another, on the calling thread.
    InflaterMemory* inflaterMemory() { return &memory_; }

private:
    ArchiveReader() = default;

    FileByteSource source_;
    std::unique_ptr<CentralDirectoryCursor> cursor_;
    std::string password_;
    std::wstring root_;
    bool entriesApart_ = true;  // false: entries share data (a zip bomb); none is described
    int32_t cachedIndex_ = -1;
    ArchiveEntry cached_;
    InflaterMemory memory_;                // outlives the stream, whose decoder it serves
    std::unique_ptr<EntryStream> stream_;  // declared last: it reads through the cursor
};

// The current directory with a trailing separator, or false when it does not fit.
bool CaptureRootFolder(std::wstring* root);

}  // namespace velmor::zip

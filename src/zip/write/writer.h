// The archive writer: creates a ZIP archive and fills it with entries read from
// files on disk, then appends the central directory and the end record.
//
//   auto writer = ArchiveWriter::Create(L"out.zip", password, encryption);  // null: failed
//   writer->AddEntry(L"docs\\a.txt", L"C:\\data\\a.txt");  // any number of times
//   writer->Finish();                                     // exactly once
//
// Entries whose name ends in an archive-like suffix are stored, all others deflated
// (raw DEFLATE, level 8 unless another is chosen; level 0 stores every entry). A folder
// entry ("name/") has no data and is never encrypted. With a non-empty password every entry is encrypted: with the
// traditional cipher and followed by a data descriptor, or as a WinZip AES-256 entry
// (method 99, the 0x9901 block) whose local header is rewritten in place with the final
// CRC-32 and sizes, as every unencrypted one's is. Data move through 16 KiB buffers; no
// entry is ever held in memory whole. Sizes, offsets and counts that do not fit the 32-bit
// records go to the Zip64 records, and only those.
//
// AddEntry is three steps, which the parallel packer also drives one by one: PlanEntry
// (the name), an EntryEncoder making the data into BeginEntry and EntryData, and EndEntry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip/archive_status.h"
#include "zip/write/archive_output.h"
#include "zip/write/deflater.h"
#include "zip/write/entry_encoder.h"
#include "zip/write/entry_encryption.h"
#include "zip/write/entry_source.h"
#include "zip/write/writer_entry.h"

namespace velmor::zip {

// An entry whose name has been checked and encoded, and the source it is to come from.
struct EntryPlan {
    WriterEntry entry;
    std::wstring sourcePath;
    bool folder = false;  // a folder entry, described from the folder at sourcePath
};

class ArchiveWriter {
public:
    // Creates (or truncates) the archive file. password: ANSI bytes; empty means none.
    // encryption: how a password encrypts the entries.
    // level: kStoreLevel to kMaxDeflateLevel.
    static std::unique_ptr<ArchiveWriter> Create(
        const std::wstring& path, const std::string& password,
        EntryEncryption encryption = EntryEncryption::Traditional, int level = kDeflateLevel);
    ArchiveWriter(std::unique_ptr<ArchiveOutput> output, const std::string& password,
                  WriterPlatform& platform = SystemWriterPlatform(),
                  EntryEncryption encryption = EntryEncryption::Traditional,
                  int level = kDeflateLevel);
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Adds one entry. Ok, BadArgument (empty or too long name, writer already finished),
    // NoFile (source missing, a folder, locked or undescribable), WriteFailed or
    // HeaderLocked (the source outgrew what its written header can say).
    // After a failure the writer takes further entries; bytes of a failed entry stay
    // in the file, unlisted, and later records still sit at their true positions.
    ArchiveStatus AddEntry(const std::wstring& entryName, const std::wstring& sourcePath,
                           bool folder = false);

    // Writes the central directory and the end record, closes the file and commits it as
    // the archive; Ok or WriteFailed. A second call gives BadArgument.
    ArchiveStatus Finish();
    // The same with the given central headers, in this order, in place of the entries' own,
    // and the archive comment behind the end record.
    ArchiveStatus FinishWithDirectory(const std::vector<std::vector<uint8_t>>& centralHeaders,
                                      const std::string& comment);
    // Drops what was written: the archive's name keeps what stood there before.
    void Discard();
    // The entries added so far, in order.
    const std::vector<WriterEntry>& entries() const { return entries_; }

    // Bytes written so far: the offset at which the next record starts.
    uint64_t written() const { return written_; }
    size_t entryCount() const { return entries_.size(); }
    const std::string& password() const { return password_; }
    EntryEncryption encryption() const { return encryption_; }
    int level() const { return level_; }
    WriterPlatform& platform() const { return platform_; }

    // The steps of AddEntry. PlanEntry touches nothing on disk (Ok or BadArgument); a folder
    // entry's name gets its trailing "/".
    ArchiveStatus PlanEntry(const std::wstring& entryName, const std::wstring& sourcePath,
                            EntryPlan* plan, bool folder = false) const;
    // The planned entry's data made by encoder into sink.
    static EncodedEntry Encode(EntryEncoder& encoder, const EntryPlan& plan, EntrySink& sink);
    // Writes the local header; false when it was not written whole.
    bool BeginEntry(EntryPlan& plan, const SourceDescription& description, bool zip64Sizes);
    // Appends a piece of entry data; false when it was not written whole.
    bool EntryData(const uint8_t* data, uint32_t size);
    // Completes the entry and records it, or after a failure puts the position back at
    // the end of what was written; the entry's status.
    ArchiveStatus EndEntry(EntryPlan& plan, const EncodedEntry& encoded);

private:
    ArchiveStatus CompleteEntry(WriterEntry& entry, const EncodedEntry& encoded);
    // Output at the end of the archive; advances written by what was written.
    bool Append(const uint8_t* data, uint32_t size);
    bool Append(const std::vector<uint8_t>& bytes);
    // Puts the file position back at the end after a failed entry.
    ArchiveStatus Abandon(ArchiveStatus status);

    std::unique_ptr<ArchiveOutput> output_;
    std::string password_;
    EntryEncryption encryption_;
    int level_;
    bool aes_;  // entries are AES entries: a password and AES-256 asked for
    WriterPlatform& platform_;
    uint64_t written_ = 0;
    std::vector<WriterEntry> entries_;
    std::unique_ptr<EntryEncoder> encoder_;  // made by the first AddEntry
    bool finished_ = false;
};

}  // namespace velmor::zip

// The archive writer: creates a ZIP archive and fills it with entries read from
// files on disk, then appends the central directory and the end record.
//
//   auto writer = ArchiveWriter::Create(L"out.zip", password);   // null: cannot create
//   writer->AddEntry(L"docs\\a.txt", L"C:\\data\\a.txt");         // any number of times
//   writer->Finish();                                            // exactly once
//
// Entries whose name ends in an archive-like suffix are stored, all others deflated
// (raw DEFLATE, level 8). With a non-empty password every entry is encrypted with
// the traditional cipher and followed by a data descriptor; without one, the local
// header is rewritten in place with the final CRC-32 and sizes. Data move through
// 16 KiB buffers; no entry is ever held in memory whole.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip/write/archive_output.h"
#include "zip/archive_status.h"
#include "zip/format/cipher.h"
#include "zip/write/deflater.h"
#include "zip/write/writer_entry.h"

namespace velmor::zip {

constexpr uint32_t kIoBufferSize = 16384;
// Archives stay below 2 GiB, the limit of the reader's 32-bit signed positioning.
constexpr uint64_t kMaxArchiveSize = 0x7FFFFFFFu;

class SourceFile;

class ArchiveWriter {
public:
    // Creates (or truncates) the archive file. password: ANSI bytes; empty means none.
    static std::unique_ptr<ArchiveWriter> Create(const std::wstring& path, const std::string& password);
    ArchiveWriter(std::unique_ptr<ArchiveOutput> output, const std::string& password);
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Adds one entry. Ok, BadArgument (empty or too long name, too many entries, a
    // source or archive beyond the 32-bit format, writer already finished), NoFile
    // (source missing, a folder, locked or undescribable), WriteFailed or HeaderLocked.
    // After a failure the writer takes further entries; bytes of a failed entry stay
    // in the file, unlisted, and later records still sit at their true positions.
    ArchiveStatus AddEntry(const std::wstring& entryName, const std::wstring& sourcePath);

    // Writes the central directory and the end record and closes the file; Ok or
    // WriteFailed. A second call gives BadArgument.
    ArchiveStatus Finish();

    // Bytes written so far: the offset at which the next record starts.
    uint64_t written() const { return written_; }
    size_t entryCount() const { return entries_.size(); }

private:
    struct EntryData {
        uint32_t crc32 = 0;
        uint64_t bytesRead = 0;
        uint64_t compressedSize = 0;  // without the encryption header
    };

    ArchiveStatus WriteEntry(WriterEntry& entry, SourceFile& source, int32_t expectedSize);
    ArchiveStatus WriteStored(SourceFile& source, EntryData& data);
    ArchiveStatus WriteDeflated(SourceFile& source, EntryData& data);
    ArchiveStatus CompleteEntry(WriterEntry& entry, const EntryData& data);
    bool WriteEncryptionHeader(const WriterEntry& entry, const uint8_t random[kEncryptionHeaderRandomSize]);

    // The output routine: through the cipher while encrypting; returns the count written.
    uint32_t Output(const uint8_t* data, uint32_t size);
    // Output at the end of the archive; advances written by what was written.
    bool Append(const uint8_t* data, uint32_t size);
    bool Append(const std::vector<uint8_t>& bytes);
    // Local header, stored name and local timestamp block, as one piece.
    std::vector<uint8_t> LocalHeaderBytes(const WriterEntry& entry) const;
    // Puts the file position back at the end after a failed entry.
    ArchiveStatus Abandon(ArchiveStatus status);

    std::unique_ptr<ArchiveOutput> output_;
    std::string password_;
    uint64_t written_ = 0;
    bool encrypting_ = false;
    CipherKeys keys_;
    std::vector<uint8_t> scratch_;
    std::vector<WriterEntry> entries_;
    std::vector<uint8_t> ioBuffer_;
    std::vector<uint8_t> inputBuffer_;
    std::unique_ptr<Deflater> deflater_;  // made by the first deflated entry, reset for each
    bool finished_ = false;
};

}  // namespace velmor::zip

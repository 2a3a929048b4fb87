// Reads one entry's data: positioned 16 KiB reads, decryption in place (traditional cipher)
// or through the AES source, copying or the inflater of the entry's method, and a running
// CRC-32.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zip/format/cipher.h"
#include "zip/format/crc32.h"
#include "zip/read/entry_inflater.h"
#include "zip/read/extract_aes_source.h"
#include "zip/read/reader_code.h"
#include "zip/read/reader_cursor.h"

namespace velmor::zip {

constexpr uint32_t kEntryChunkSize = 16384;

// Everything an entry stream needs to find an entry's data, taken from the cursor once its
// local header was checked: a stream can then be opened over another source of the same
// archive, on another thread.
struct EntryLocation {
    CentralFileHeader header;
    EntryExtent extent;
    LocalHeaderPlacement placement;
    uint64_t prefixLength = 0;
};

// The cursor's current entry, its local header checked: ReaderOk, NoCurrentEntry or
// BadArchive.
ReaderCode LocateCurrentEntry(CentralDirectoryCursor& cursor, EntryLocation* location);

class EntryStream : private InflaterInput {
public:
    // Opens a stream for the cursor's current entry. NoCurrentEntry, BadArchive (local
    // header check) or NoMemory on failure. An entry whose method is not read opens, and its
    // first read gives UnreadableEntry. memory (may be null) serves the stream's decoder and
    // must outlive the stream.
    static ReaderCode Open(CentralDirectoryCursor& cursor, const std::string& password,
                           std::unique_ptr<EntryStream>* stream, InflaterMemory* memory = nullptr);
    // Opens a stream for the located entry over source. password must outlive the stream.
    static ReaderCode Open(ByteSource& source, const EntryLocation& location,
                           const std::string& password, std::unique_ptr<EntryStream>* stream,
                           InflaterMemory* memory = nullptr);
    EntryStream(const EntryStream&) = delete;
    EntryStream& operator=(const EntryStream&) = delete;

    // Produces up to capacity bytes: the count (> 0), 0 at the end of the entry, or a
    // negative ReaderCode or zlib code (an inflater's failure). Never more than the recorded uncompressed size. The
    // bytes made before a failure come first, whatever the capacity; every later call then
    // gives the failure.
    int32_t Read(uint8_t* out, uint32_t capacity);

    // The verdict on the whole entry: CrcMismatch when the recorded size was produced but
    // its CRC-32 differs, DataTruncated when the data ended before the recorded size, and
    // for an AES entry AuthCodeMismatch when its authentication code does not match.
    ReaderCode Finish();

private:
    EntryStream(ByteSource& source, uint64_t prefixLength, const std::string& password);
    ReaderCode Refill();
    ReaderCode Pend();
    int32_t ReadInput(uint8_t* data, uint32_t capacity) override;
    int32_t Fail(int32_t code, uint32_t produced);
    ReaderCode OpenAes(const LocalHeaderPlacement& placement, const std::string& password);
    int32_t Inflate(uint8_t* out, uint32_t want, uint32_t* made);
    int32_t Pull(uint8_t* out, uint32_t want, uint32_t* made);

    ByteSource& source_;
    uint64_t prefixLength_;
    std::unique_ptr<uint8_t[]> input_;
    uint32_t pendingStart_ = 0;
    uint32_t pendingCount_ = 0;
    std::unique_ptr<EntryInflater> inflater_;
    bool dataEnded_ = false;  // the inflater reported the end of its stream
    int32_t failure_ = 0;     // once a read failed, every read fails so
    uint64_t nextPosition_ = 0;
    uint64_t compressedLeft_ = 0;
    uint64_t uncompressedLeft_ = 0;
    Crc32 crc_;
    uint32_t expectedCrc_ = 0;
    uint16_t method_ = 0;
    bool encrypted_ = false;
    CipherKeys keys_;
    uint32_t headerLeft_ = 0;
    uint8_t checkByte_ = 0;
    bool checkCrc_ = true;  // false for AE-2 entries, which carry no CRC-32
    std::unique_ptr<AesEntrySource> aes_;
};

}  // namespace velmor::zip

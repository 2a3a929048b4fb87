// Opens the input as an archive in memory and reads every entry to the end, once without a
// password and once with the one the seed archives use: end record with its Zip64 records,
// directory walk, the overlap guard, header checks with Zip64 blocks, attribute and time
// mapping, decryption, each method's inflater (DEFLATE, Deflate64, BZip2, LZMA with and without
// its end marker, XZ, Zstandard), CRC-32 and AES code checks, each entry read twice in pieces
// of different sizes that must give the same bytes and end; and the stored entries that
// updating an archive copies, with their central headers moved to new offsets.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "zip/format/aes_format.h"
#include "zip/format/crc32.h"
#include "zip/read/extract_entry_stream.h"
#include "zip/read/reader_byte_source.h"
#include "zip/read/reader_cursor.h"
#include "zip/read/reader_end_record.h"
#include "zip/read/reader_entry_mapping.h"
#include "zip/read/reader_overlap.h"
#include "zip/read/stored_entries.h"
#include "zip/format/utf8.h"

using namespace velmor::zip;

namespace {

// Keeps a small input that inflates to gigabytes from taking the run's time.
constexpr uint64_t kOutputBudget = 1 << 20;

// Reads the cursor's entry `capacity` bytes at a time: its bytes' CRC-32 and count, and the
// result that ended it (a failure or Finish's verdict); false when it ran out of the budget.
bool Drain(CentralDirectoryCursor& cursor, const std::string& password, uint32_t capacity,
           uint64_t* budget, std::tuple<uint32_t, uint64_t, int32_t>* drained) {
    std::unique_ptr<EntryStream> stream;
    if (EntryStream::Open(cursor, password, &stream) != ReaderCode::ReaderOk) return true;
    std::vector<uint8_t> buffer(capacity);
    Crc32 crc;
    uint64_t size = 0;
    int32_t got;
    while ((got = stream->Read(buffer.data(), capacity)) > 0) {
        if (static_cast<uint64_t>(got) >= *budget) return false;
        *budget -= static_cast<uint64_t>(got);
        crc.Update(buffer.data(), static_cast<size_t>(got));
        size += static_cast<uint64_t>(got);
    }
    *drained = {crc.Value(), size, got < 0 ? got : static_cast<int32_t>(stream->Finish())};
    return true;
}

void ReadEntry(CentralDirectoryCursor& cursor, ByteSource& source, const std::string& password,
               uint64_t* budget) {
    std::string name;
    std::vector<uint8_t> centralExtra;
    if (cursor.ReadCurrentName(&name, &centralExtra) != ReaderCode::ReaderOk) return;
    std::wstring decoded;
    Utf8ToUtf16(name, &decoded);
    LocalHeaderPlacement placement;
    if (cursor.CheckLocalHeader(&placement) != ReaderCode::ReaderOk) return;
    std::vector<uint8_t> extra(placement.extraLength);
    if (!extra.empty() && !source.ReadAt(cursor.prefixLength() + placement.extraPosition,
                                         extra.data(), static_cast<uint32_t>(extra.size()))) {
        return;
    }
    const CentralFileHeader& header = cursor.header();
    AesEntryInfo aes;
    if (header.method == kMethodAes && (!FindAesExtra(extra.data(), extra.size(), &aes) ||
                                        cursor.extent().compressedSize < aes.overhead())) {
        return;
    }
    MapExternalAttributes(header.versionMadeBy, header.externalAttributes);
    EntryTimes times;
    ApplyExtendedTimestamp(extra.data(), extra.size(), &times);

    // Read in large and in odd small pieces, the entry gives the same bytes and the same end.
    std::tuple<uint32_t, uint64_t, int32_t> whole, piecemeal;
    if (!Drain(cursor, password, kEntryChunkSize, budget, &whole)) return;
    const uint32_t odd = 1 + static_cast<uint32_t>(header.crc32 % 4099);
    if (!Drain(cursor, password, odd, budget, &piecemeal)) return;
    if (whole != piecemeal) __builtin_trap();
}

void ReadArchive(const uint8_t* data, size_t size, const std::string& password) {
    MemoryByteSource source(data, size);
    EndRecord end;
    if (!ReadEndRecord(source, FindEndRecord(source), &end) || !SettleEntryCount(source, &end) ||
        !EntriesLieApart(source, end)) {
        return;
    }
    StoredArchive stored;
    if (ReadStoredEntries(source, end, &stored)) {
        for (StoredEntry& entry : stored.entries) {
            RelocateCentralHeader(entry.centralHeader, entry.spanStart);
            RelocateCentralHeader(entry.centralHeader, (uint64_t{1} << 32) + entry.spanStart);
        }
    }
    CentralDirectoryCursor cursor(source, end);
    cursor.First();
    uint64_t budget = kOutputBudget;
    for (int32_t index = 0; index < cursor.entryCount() && budget > 0; ++index) {
        if (cursor.MoveTo(index) != ReaderCode::ReaderOk) break;
        ReadEntry(cursor, source, password, &budget);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReadArchive(data, size, std::string());
    ReadArchive(data, size, "velmor");
    return 0;
}

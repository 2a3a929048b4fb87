// The writer over memory, for tests that run without the platform: sources held in memory
// (or long runs of zeros that are never held), and an archive kept as the pieces written.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "zip/write/archive_output.h"
#include "zip/write/entry_source.h"

namespace velmor::zip::test {

struct MemorySourceSpec {
    std::vector<uint8_t> bytes;  // the content, unless zeros is set
    uint64_t zeros = 0;          // the content is this many zero bytes
    uint64_t claimedSize = ~0ull;  // the size at open, when it differs from the content
    bool missing = false;
};

// Names: a name of characters below U+0100 is stored as Latin-1 (an 8-bit code page),
// any other as UTF-8 with bit 11. Random bytes are a fixed pattern.
class MemoryPlatform final : public WriterPlatform {
public:
    void Add(const std::wstring& path, MemorySourceSpec spec) { sources_[path] = std::move(spec); }
    bool EncodeName(const std::wstring& name, StoredName* stored) override;
    std::unique_ptr<EntrySource> OpenSource(const std::wstring& path, SourceDescription* d) override;
    bool FillRandom(uint8_t* out, size_t size) override;
    int opens() const;

private:
    std::map<std::wstring, MemorySourceSpec> sources_;
    mutable std::mutex mutex_;
    int opens_ = 0;
};

// The archive as the pieces written at their offsets, except full 16 KiB pieces of zeros,
// which are only counted (so archives of many GiB fit). It outlives the writer's output.
class MemoryArchive {
public:
    void Put(uint64_t offset, const uint8_t* data, uint32_t size);
    uint64_t end() const { return end_; }
    // size bytes at offset; fails the test where a piece is missing.
    std::vector<uint8_t> Bytes(uint64_t offset, size_t size) const;
    // The whole archive; only for archives without skipped pieces.
    std::vector<uint8_t> All() const { return Bytes(0, static_cast<size_t>(end_)); }

private:
    std::map<uint64_t, std::vector<uint8_t>> pieces_;
    uint64_t end_ = 0;
};

class MemoryOutput final : public ArchiveOutput {
public:
    // Writes that would reach failAt are cut short there.
    explicit MemoryOutput(MemoryArchive& archive, uint64_t failAt = ~0ull) : archive_(archive), failAt_(failAt) {}
    uint32_t Write(const void* data, uint32_t size) override {
        if (position_ + size > failAt_) size = position_ < failAt_ ? static_cast<uint32_t>(failAt_ - position_) : 0;
        archive_.Put(position_, static_cast<const uint8_t*>(data), size);
        position_ += size;
        return size;
    }
    bool SeekTo(uint64_t position) override {
        position_ = position;
        return true;
    }

private:
    MemoryArchive& archive_;
    uint64_t failAt_;
    uint64_t position_ = 0;
};

struct Zip64Central {
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint64_t localHeaderOffset = 0;
    uint16_t versionNeeded = 0;
    uint16_t extraFields = 0;  // which fields the Zip64 block held: 1 size, 2 compressed, 4 offset
    std::vector<uint8_t> extra;
    std::string name;
};

struct Zip64Archive {
    uint64_t entries = 0;
    bool zip64End = false;
    uint16_t endEntries = 0;  // as the 16-bit end record says
    std::vector<Zip64Central> central;
};

// Reads the end records and the central directory, with the Zip64 records where present;
// fails the test on any inconsistency.
Zip64Archive ReadCentral(const MemoryArchive& out);

}  // namespace velmor::zip::test

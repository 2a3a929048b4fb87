// The writer over memory, for tests that run without the platform: sources held in memory
// (or long runs of zeros that are never held) and an archive in a byte vector.
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

struct MemoryContent {
    std::vector<uint8_t> bytes;    // the content, unless zeros is set
    uint64_t zeros = 0;            // the content is this many zero bytes
    uint64_t claimedSize = ~0ull;  // the size at open, when it differs from the content
};

// Names of characters below U+0100 are stored as Latin-1 (an 8-bit code page), others as
// UTF-8 with bit 11. Random bytes are a fixed pattern. A path never added is missing. AES
// entries use the platform's primitives (OpenSSL in the Linux build).
class MemoryPlatform final : public WriterPlatform {
public:
    void Add(const std::wstring& path, MemoryContent content) {
        sources_[path] = std::move(content);
    }
    bool EncodeName(const std::wstring& name, StoredName* stored) override;
    std::unique_ptr<EntrySource> OpenSource(const std::wstring& path,
                                            SourceDescription* d) override;
    bool DescribeFolder(const std::wstring& path, SourceDescription* d) override;
    bool FillRandom(uint8_t* out, size_t size) override;
    AesCrypto& Crypto() override { return PlatformAesCrypto(); }
    int opens() const;

private:
    std::map<std::wstring, MemoryContent> sources_;
    mutable std::mutex mutex_;
    int opens_ = 0;
};

// Writes into a vector that outlives the writer; writes that would reach failAt are cut there.
class MemoryOutput final : public ArchiveOutput {
public:
    explicit MemoryOutput(std::vector<uint8_t>& bytes, uint64_t failAt = ~0ull)
        : bytes_(bytes), failAt_(failAt) {}
    uint32_t Write(const void* data, uint32_t size) override;
    bool SeekTo(uint64_t position) override {
        position_ = static_cast<size_t>(position);
        return true;
    }

private:
    std::vector<uint8_t>& bytes_;
    uint64_t failAt_;
    size_t position_ = 0;
};

}  // namespace velmor::zip::test

// The archive as the reader sees it: positioned reads of counted blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmor::zip {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    virtual bool IsOpen() const = 0;
    // True when a seek to the current position succeeded at open time.
    virtual bool IsSeekable() const = 0;
    // Set once any read call failed.
    virtual bool HasError() const = 0;

    // Length of the archive, taken by positioning at its end.
    virtual bool Length(uint64_t* length) = 0;
    // Reads exactly size bytes at the absolute position; a short read is a failure.
    virtual bool ReadAt(uint64_t position, void* buffer, uint32_t size) = 0;
};

// An archive held in memory; the bytes stay the caller's and must outlive the source.
class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit MemoryByteSource(const std::vector<uint8_t>& bytes)
        : MemoryByteSource(bytes.data(), bytes.size()) {}

    bool IsOpen() const override { return true; }
    bool IsSeekable() const override { return true; }
    bool HasError() const override { return false; }
    bool Length(uint64_t* length) override;
    bool ReadAt(uint64_t position, void* buffer, uint32_t size) override;

private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace velmor::zip

// Where the archive writer's bytes go: an append-and-reposition byte sink.
// The writer owns exactly one; the Win32 file is the real one, tests plug in others.
#pragma once

#include <cstdint>
#include <string>
#include <memory>

namespace velmor::zip {

class ArchiveOutput {
public:
    virtual ~ArchiveOutput() = default;
    // Writes size bytes at the current position and returns how many were written.
    virtual uint32_t Write(const void* data, uint32_t size) = 0;
    // Moves the current position to an absolute offset.
    virtual bool SeekTo(uint64_t position) = 0;
};

// The archive file: created for writing without sharing, replacing an existing file.
// Returns null when the file cannot be created.
std::unique_ptr<ArchiveOutput> CreateArchiveFile(const std::wstring& path);

}  // namespace velmor::zip

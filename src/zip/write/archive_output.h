// Where the archive writer's bytes go: an append-and-reposition byte sink.
// The writer owns exactly one; the Win32 file is the real one, tests plug in others.
// Nothing the writer does is visible under the archive's name before Commit: an output
// destroyed without it leaves whatever stood there before.
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
    // Makes what was written the archive; false when it could not be put in place.
    virtual bool Commit() { return true; }
};

// The archive file: a temporary file in the archive's folder, written without sharing, which
// Commit puts in the archive's place (replacing an existing file at once, write-through); an
// output not committed removes it. Null when the temporary file cannot be created, or when an
// existing file of that name could not be replaced (a folder, read-only, or in use).
std::unique_ptr<ArchiveOutput> CreateArchiveFile(const std::wstring& path);

}  // namespace velmor::zip

// Where the writer's entries come from: the names' stored form, the source files, the
// random bytes of encryption headers and AES salts, and the AES primitives, behind one seam.
// The Win32 one reads files on disk (win/writer_platform.cpp); tests plug in sources held in
// memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "zip/format/aes_crypto.h"
#include "zip/stored_name.h"

namespace velmor::zip {

// What the writer takes from a source when it opens it.
struct SourceDescription {
    uint32_t attributes = 0;   // the platform's file attribute bits
    uint64_t size = 0;         // at open; what is read later may differ
    uint32_t dosDateTime = 0;  // last modification, local time, DOS encoding
    int32_t modification = 0;  // Unix seconds, low 32 bits
    int32_t access = 0;
    int32_t creation = 0;
};

// A source opened for sequential reading from its start.
class EntrySource {
public:
    virtual ~EntrySource() = default;
    // Up to size bytes; 0 at the end. A failed read counts as the end.
    virtual uint32_t Read(void* buffer, uint32_t size) = 0;
};

// OpenSource, FillRandom and Crypto (and what it makes) may run on several threads at once;
// EncodeName runs on the thread that adds the entries.
class WriterPlatform {
public:
    virtual ~WriterPlatform() = default;
    // The name's stored bytes and flags; false when it cannot be stored whole.
    virtual bool EncodeName(const std::wstring& name, StoredName* stored) = 0;
    // Null for a missing source, a folder, one locked against readers, or one that
    // cannot be described.
    virtual std::unique_ptr<EntrySource> OpenSource(const std::wstring& path,
                                                    SourceDescription* description) = 0;
    // A folder's attributes and times (its size is 0); false when path is no folder.
    virtual bool DescribeFolder(const std::wstring& path, SourceDescription* description) = 0;
    virtual bool FillRandom(uint8_t* out, size_t size) = 0;
    virtual AesCrypto& Crypto() = 0;
};

// Files on disk, the ANSI code page, the system's random generator and CNG.
WriterPlatform& SystemWriterPlatform();

}  // namespace velmor::zip

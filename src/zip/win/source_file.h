// A file the writer packs: opened for reading (others may read too), described once,
// then read sequentially from its start.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/win/handle_traits.h"

namespace velmor::zip {

struct SourceInfo {
    DWORD attributes = 0;
    uint64_t size = 0;  // full 64-bit size
    FILETIME creationTime{};
    FILETIME lastAccessTime{};
    FILETIME lastWriteTime{};
};

class SourceFile {
public:
    // Opens an existing file and reads its information. Fails for a missing file,
    // a folder, a file locked against readers, or unreadable information.
    bool Open(const std::wstring& path);
    const SourceInfo& info() const { return info_; }
    // Reads up to size bytes; 0 at the end of the file. A failed read counts as the end.
    uint32_t Read(void* buffer, uint32_t size);
    void Close() { file_.reset(); }

private:
    ScopedFileHandle file_;
    SourceInfo info_;
};

}  // namespace velmor::zip

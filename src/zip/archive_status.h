// Status values of the ZIP engine. The component turns them into its result codes.
#pragma once

#include <cstdint>

namespace velmor::zip {

enum class ArchiveStatus : int32_t {
    Ok = 0x00000000,
    NoFile = 0x00000200,           // opening or creating a file failed
    WriteFailed = 0x00000400,      // writing an output file failed
    Corrupt = 0x00000700,          // local header disagrees with central one, or unsupported method
    ReadFailed = 0x00000800,       // reading or positioning within the archive failed
    BadPassword = 0x00001000,      // the decrypted check byte did not match
    BadArgument = 0x00010000,      // null handle, index out of range, unusable entry name
    WrongHandleKind = 0x00080000,  // a writer handle given to a reader operation or the reverse
    SeekFailed = 0x02000000,       // a required repositioning was impossible
    HeaderLocked = 0x04000000,     // an already written local header can no longer be corrected
    FlateFailed = 0x05000000,  // compressing or decompressing failed, or reading entry data failed
    Cancelled = 0x06000000,    // the caller stopped the call through its progress sink
};

}  // namespace velmor::zip

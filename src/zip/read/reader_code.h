// Results of the reader's inner steps: cursor, local header check and entry stream.
#pragma once

#include <cstdint>

namespace velmor::zip {

enum class ReaderCode : int32_t {
    ReaderOk = 0,
    IoError = -1,              // positioning the file failed or a read call failed
    EndOfList = -100,          // no further entry, or the current entry is not valid
    NoCurrentEntry = -102,     // no valid current entry, or no open entry stream
    BadArchive = -103,         // wrong signature, disagreeing headers
    NoMemory = -104,           // allocating an entry stream or its buffer failed
    CrcMismatch = -105,        // a fully produced entry's CRC-32 differs from the stored one
    CheckByteMismatch = -106,  // the decrypted check byte differs from the expected one
    DataTruncated = -107,      // the entry's data ended before its recorded size was produced
    AuthCodeMismatch = -108,   // an AES entry's authentication code differs from its data's
    UnreadableEntry = -109,    // a method not read here, or a dictionary beyond the limit
};

}  // namespace velmor::zip

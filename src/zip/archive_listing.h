// What an archive holds, as OrvZip.List tells it: one line per central directory entry.
#pragma once

#include <string>

#include "base/result_code.h"
#include "zip/read/reader_entry.h"

namespace velmor::zip {

// One line, ending in CR LF, with tab-separated fields: the name as extraction decodes it
// (separators as stored), the size and the packed size in decimal, the modification time as
// the extracted file's local time "YYYY-MM-DD HH:MM:SS" (empty when the entry has none), the
// CRC-32 as eight upper-case hex digits, the method ("stored", "deflated" or "m" and its
// number; an AES entry's real method) and the encryption ("", "zipcrypto", "aes128",
// "aes192", "aes256", or "strong").
std::wstring EntryListLine(const ArchiveEntry& entry);

// The lines of every entry in directory order. kResultOpenArchiveError when the archive
// cannot be opened; kResultGeneralError when an entry cannot be described (the text is then
// empty).
long ListArchive(const std::wstring& archiveName, std::wstring* text);

}  // namespace velmor::zip

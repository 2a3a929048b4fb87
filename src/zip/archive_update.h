// Changing an archive in place: OrvZip.Add and OrvZip.Remove. The new archive is written
// beside the old one and takes its name only when complete; on any failure the old archive
// stays byte for byte.
#pragma once

#include <string>

#include "base/result_code.h"
#include "zip/write/entry_encryption.h"

namespace velmor::zip {

// Adds the files of a Pack list (name, path pairs). An entry whose name matches an existing
// one (as EntrySelection compares) replaces it in its place; the others are appended. Entries
// kept are copied as they are, never recompressed. A missing archive is created as Pack
// creates it. Pack's result codes.
long AddFiles(const std::wstring& archiveName, const std::wstring& list,
              const std::string& password, EntryEncryption encryption);

// Removes the entries that `names` picks (EntrySelection). kResultValueNotFound, with the
// archive unchanged, when a name picks nothing; kResultOpenArchiveError when the archive
// cannot be read; kResultCloseError when the new archive cannot be written.
long RemoveEntries(const std::wstring& archiveName, const std::wstring& names);

}  // namespace velmor::zip

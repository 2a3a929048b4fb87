// Changing an archive in place: OrvZip.Add and OrvZip.Remove. The new archive is written
// beside the old one and takes its name only when complete; on any failure the old archive
// stays byte for byte.
#pragma once

#include <string>

#include "base/progress_sink.h"
#include "base/result_code.h"
#include "zip/write/deflater.h"
#include "zip/write/entry_encryption.h"
#include "zip/write/parallel_pack.h"

namespace velmor::zip {

// Adds the files of a Pack list (name, path pairs). An entry whose name matches an existing
// one (as EntrySelection compares) replaces it in its place; the others are appended. Entries
// kept are copied as they are, never recompressed. A missing archive is created as Pack
// creates it. Pack's result codes, and kResultOpenArchiveError when the existing archive
// cannot be read whole (an entry that cannot be described cannot be copied either).
// progress hears of the bytes copied and read, on the calling thread; a false answer ends
// the call with kResultCancelled and the archive unchanged.
// level: the compression level of the new entries.
long AddFiles(const std::wstring& archiveName, const std::wstring& list,
              const std::string& password, EntryEncryption encryption, int level = kDeflateLevel,
              ProgressSink* progress = nullptr);

// AddFiles of pairs already split (none gives kResultOk and changes nothing).
long AddPairs(const std::wstring& archiveName, const std::vector<FileListPair>& pairs,
              const std::string& password, EntryEncryption encryption, int level,
              ProgressSink* progress);

// Removes the entries that `names` picks (EntrySelection). kResultValueNotFound, with the
// archive unchanged, when a name picks nothing; kResultOpenArchiveError when the archive
// cannot be read; kResultPackError when the new archive cannot be created; kResultCloseError
// when it cannot be written; kResultCancelled as for AddFiles.
long RemoveEntries(const std::wstring& archiveName, const std::wstring& names,
                   ProgressSink* progress = nullptr);

}  // namespace velmor::zip

// Packing a tab-separated file list into an archive: the engine side of OrvZip.Pack.
#pragma once

#include <string>
#include <vector>

#include "base/result_code.h"
#include "zip/write/entry_encryption.h"
#include "zip/write/parallel_pack.h"

namespace velmor::zip {

// The list buffer holds the list, one appended tab and a terminator.
constexpr size_t kFileListCapacity = 49152;
// Archive names (and entry names) are held in 260-unit path buffers.
constexpr size_t kMaxArchiveNameLength = 259;

struct FileList {
    std::vector<FileListPair> pairs;  // complete (entry name, source path) pairs, in order
    bool endsWithLoneName = false;    // a last entry name had no path after it
};

// Splits "name<TAB>path<TAB>name<TAB>path..." into pairs. Fields are taken verbatim
// (spaces, commas and backslashes included); an empty field stays empty.
FileList SplitFileList(const std::wstring& list);

// Creates the archive at the first complete pair, adds the pairs in order, stops at
// the first failure and always finishes a created archive. The entries are made on
// PackThreads() threads; the archive is the same whatever their number. password: ANSI bytes,
// empty for none; encryption: how entries are encrypted when there is a password. Returns kResultOk; kResultPackError when the archive cannot be created;
// kResultAddError when an entry cannot be added; kResultFileNamesError for a name without a
// path or a list beyond its buffer; kResultCloseError (central directory or end record not
// written) replaces an earlier kResultAddError or kResultFileNamesError.
long PackFiles(const std::wstring& archiveName, const std::wstring& list,
               const std::string& password,
               EntryEncryption encryption = EntryEncryption::Traditional);

// Threads that make Pack's entries, and read those of Unpack, Test and UnpackFiles: one per
// processor, at most kMaxPackThreads. The environment variable VELMOR_PACK_THREADS (1 to 8) sets
// the number; a build with VELMOR_PACK_SINGLE_THREAD defined always uses the calling thread alone.
unsigned PackThreads();

}  // namespace velmor::zip

// Packing a tab-separated file list into an archive: the engine side of OrvZip.Pack.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/progress_sink.h"
#include "base/result_code.h"
#include "zip/write/deflater.h"
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

// Writes the archive from the first complete pair on: the pairs in order, on PackThreads()
// threads (the archive is the same whatever their number). The new archive is written beside
// the old one and takes the archive's name only when complete; on any failure whatever stood
// under that name stays as it was. password: ANSI bytes, empty for none; encryption: how
// entries are encrypted when there is a password. Returns kResultOk; kResultPackError when
// the archive cannot be created (or an existing file of its name cannot be replaced);
// kResultAddError when an entry cannot be added; kResultFileNamesError for a name without a
// path or a list beyond its buffer; kResultCloseError when the central directory, the end
// record or the replacement cannot be written.
// progress, when given, hears on the calling thread of the source bytes read out of those of
// the whole list; kResultCancelled when it stops the call, and then nothing is written.
// level: the compression level of the entries, kStoreLevel to kMaxDeflateLevel.
long PackFiles(const std::wstring& archiveName, const std::wstring& list,
               const std::string& password,
               EntryEncryption encryption = EntryEncryption::Traditional, int level = kDeflateLevel,
               ProgressSink* progress = nullptr);

// PackFiles of pairs already split (none gives kResultOk and writes nothing).
long PackPairs(const std::wstring& archiveName, const std::vector<FileListPair>& pairs,
               const std::string& password, EntryEncryption encryption, int level,
               ProgressSink* progress);

// Threads that make Pack's entries, and read those of Unpack, Test and UnpackFiles: one per
// processor, at most kMaxPackThreads. The environment variable VELMOR_PACK_THREADS (1 to 8) sets
// the number; a build with VELMOR_PACK_SINGLE_THREAD defined always uses the calling thread alone.
unsigned PackThreads();

// Below this many bytes of entry data, starting workers costs more than they save (measured
// under Wine, where starting a thread and its first buffers takes about 10 ms).
constexpr uint64_t kThreadedReadMinimum = 8 * 1024 * 1024;

// Threads that read the entries of Unpack, Test or UnpackFiles, holding `dataBytes` bytes
// once inflated: PackThreads(), but the calling thread alone for fewer than
// kThreadedReadMinimum bytes unless VELMOR_PACK_THREADS sets the number.
unsigned ReadThreads(uint64_t dataBytes);

}  // namespace velmor::zip

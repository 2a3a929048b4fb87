// Adding a list of entries with several threads: workers open, read, checksum, compress and
// encrypt entries, while the calling thread writes them strictly in list order, so the archive
// is byte for byte what adding them one by one writes (the random bytes of encryption headers
// aside). The first entry that fails, in list order, ends the adding; nothing of a later entry
// reaches the archive, even if a worker made it already. Workers touch nothing but their
// entries and are joined before AddEntries returns, on every path.
//
// Memory stays bounded: an entry's data wait for their turn in 64 KiB pieces, at most
// kWaitingBudget bytes for all entries behind the one being written, and that one streams
// through a few pieces only, however large it is.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "zip/archive_status.h"
#include "zip/progress_tally.h"

namespace velmor::zip {

class ArchiveWriter;

constexpr unsigned kMaxPackThreads = 8;
constexpr size_t kPieceSize = 64 * 1024;
constexpr size_t kWaitingBudget = 8 * 1024 * 1024;
constexpr size_t kStreamingPieces = 4;

struct FileListPair {
    std::wstring entryName;
    std::wstring sourcePath;
    bool folder = false;  // a folder entry for the folder at sourcePath
};

// Adds the pairs in order with up to `threads` workers (1 or fewer: on the calling thread
// alone, through ArchiveWriter::AddEntry's steps). Ok, or the status of the first entry
// that failed. waitingBudget: bytes that may wait behind the entry being written.
// progress, when given, hears on the calling thread of the source bytes read for the entries
// written and the one being written, under its name, after every piece written; when it stops the call,
// AddEntries gives Cancelled with the entry being written left unfinished.
ArchiveStatus AddEntries(ArchiveWriter& writer, const std::vector<FileListPair>& pairs,
                         unsigned threads, size_t waitingBudget = kWaitingBudget,
                         ProgressTally* progress = nullptr);

}  // namespace velmor::zip

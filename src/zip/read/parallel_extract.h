// Reading a list of entries with several threads: workers read, decrypt, inflate and check
// entries, each through its own source of the archive, while the calling thread hands their
// data to an ExtractTarget strictly in list order, so that what the target makes is what
// reading the entries one by one makes. The first entry that fails, in list order, ends the
// call; nothing of a later entry reaches the target, even if a worker read it already.
// Workers touch nothing but their entries and are joined before ExtractEntries returns, on
// every path. The progress tally is told of every piece on the calling thread only.
//
// Memory stays bounded: data wait for their turn in pieces of kPieceSize bytes, at most
// waitingBudget bytes for all entries behind the one being written, and that one streams
// through a few pieces only, however large it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip/archive_status.h"
#include "zip/progress_tally.h"
#include "zip/read/extract_entry_stream.h"
#include "zip/read/reader_byte_source.h"

namespace velmor::zip {

constexpr unsigned kMaxExtractThreads = 8;
constexpr size_t kExtractPieceSize = 1024 * 1024;
constexpr size_t kExtractWaitingBudget = 8 * 1024 * 1024;
constexpr size_t kExtractStreamingPieces = 2;
// What the inflaters of all workers together may hold (entries of a method with a large
// dictionary leave fewer workers): a 32-bit process has 2 GiB to share with its host.
constexpr uint64_t kExtractInflaterBudget = (sizeof(void*) == 4 ? 256ull : 512ull) << 20;

// One entry as the calling thread described it before the workers start.
struct ExtractJob {
    // Not Ok: describing or checking the entry failed; the call ends there with it.
    ArchiveStatus status = ArchiveStatus::Ok;
    bool hasData = false;  // false for a folder: the target alone handles it
    bool located = true;   // false: the data could not be found, reading them fails
    EntryLocation location;
};

// Where the entries go, on the calling thread, one at a time in list order.
class ExtractTarget {
public:
    virtual ~ExtractTarget() = default;
    // Makes what comes before the data of job `index` (folders, the file). Ok, or the
    // entry's failure: the call ends with it and End is not called.
    virtual ArchiveStatus Begin(size_t index) = 0;
    // Takes the next piece of the entry's data; false when it could not be written.
    virtual bool Write(const uint8_t* data, uint32_t size) = 0;
    // Ends the entry begun last with its status (Ok, a reading failure, WriteFailed or
    // Cancelled).
    virtual void End(ArchiveStatus status) = 0;
    // False when the target needs the sizes of the pieces only (a test writes nothing).
    virtual bool WantsData() const { return true; }
};

// Runs the jobs in order with one worker for each source (at least one, at most
// kMaxExtractThreads, and no more than kExtractInflaterBudget leaves room for when each holds
// the largest inflater the jobs may need, are used; each a source of the archive of its own) and returns Ok, the
// status of the first entry that failed, or Cancelled when the tally was stopped (its Start
// is the caller's, its Finish too).
ArchiveStatus ExtractEntries(const std::vector<ExtractJob>& jobs,
                             const std::vector<std::unique_ptr<ByteSource>>& sources,
                             const std::string& password, ExtractTarget& target,
                             ProgressTally& tally, size_t waitingBudget = kExtractWaitingBudget);

// The status of an entry whose data have been read: a read result r < 0 or the stream's
// verdict, as extraction reports them.
ArchiveStatus ReadFailureStatus(int32_t r);
ArchiveStatus FinishStatus(ReaderCode verdict);

}  // namespace velmor::zip

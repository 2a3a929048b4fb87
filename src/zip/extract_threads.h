// Unpack, Test and UnpackFiles with worker threads: the calling thread describes and checks
// the entries, makes the folders and files in directory order and writes their data, which
// workers read, decrypt, inflate and check, each through its own handle of the archive.
#pragma once

#include <cstdint>
#include <vector>

#include "zip/archive_status.h"
#include "zip/progress_tally.h"
#include "zip/reader.h"

namespace velmor::zip {

// Extracts the entries (those `picked` marks, or all) below the reader's root, or with
// `write` false only reads and checks them, with ReadThreads() workers for their data; the
// status of the first entry that failed, in directory order, or Ok. What is on disk
// afterwards, and the status, are what ExtractEntry (TestEntry) one entry after the other
// leaves and gives. False in *ran when one thread is enough for the data or no worker could
// be given a handle of its own: nothing happened then.
ArchiveStatus ExtractWithThreads(ArchiveReader& reader, const std::vector<bool>* picked, bool write,
                                 ProgressTally& tally, bool* ran);

}  // namespace velmor::zip

// The guard against archives whose entries share data: the non-recursive zip bomb, in
// which many central entries point into one compressed stream (or into one another's).
#pragma once

#include "zip/read/reader_byte_source.h"
#include "zip/read/reader_end_record.h"

namespace velmor::zip {

// True when the local records of the directory's entries (each from its local header to
// the end of its compressed data) lie apart from one another. Data that runs on into the
// central directory is damage, not sharing: extraction finds it. Only entries that could
// be extracted take part: an entry whose local header fails its check, and any behind an
// unreadable central header, is never extracted. Entries in the order of their data, as every writer puts them, are
// checked in one pass without memory; any other order keeps 16 bytes per entry.
bool EntriesLieApart(ByteSource& source, const EndRecord& end);

}  // namespace velmor::zip

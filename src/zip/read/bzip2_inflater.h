// BZip2 (method 12) through libbz2. Its blocks are at most 900 kB, so its memory is bounded
// by the format.
#pragma once

#include <memory>

#include "zip/read/entry_inflater.h"

namespace velmor::zip {

std::unique_ptr<EntryInflater> MakeBzip2Inflater(const InflaterSettings& settings);

}  // namespace velmor::zip

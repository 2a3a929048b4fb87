// Zstandard (method 93, and the 20 early writers used) through zstd's streaming decompressor,
// its window limited to kMaxInflaterDictionary.
#pragma once

#include <memory>

#include "zip/read/entry_inflater.h"

namespace velmor::zip {

std::unique_ptr<EntryInflater> MakeZstdInflater(const InflaterSettings& settings);

}  // namespace velmor::zip

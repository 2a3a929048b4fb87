// Deflate64 (method 9) through 7-Zip's Deflate decoder, which asks for its input as it goes:
// the entry stream lets it pull the entry's data. Its history is 64 KiB, its input buffer
// 1 MiB, whatever the entry.
#pragma once

#include <memory>

#include "zip/read/entry_inflater.h"

namespace velmor::zip {

std::unique_ptr<EntryInflater> MakeDeflate64Inflater(const InflaterSettings& settings);

}  // namespace velmor::zip

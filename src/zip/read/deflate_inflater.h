// Raw DEFLATE (method 8) through zlib.
#pragma once

#include <memory>

#include "zip/read/entry_inflater.h"

namespace velmor::zip {

// None when zlib cannot set up its stream.
std::unique_ptr<EntryInflater> MakeDeflateInflater(const InflaterSettings& settings);

}  // namespace velmor::zip

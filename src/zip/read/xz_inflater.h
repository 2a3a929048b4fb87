// XZ (method 95) through liblzma's stream decoder, under a memory limit that refuses a
// dictionary beyond kMaxInflaterDictionary.
#pragma once

#include <memory>

#include "zip/read/entry_inflater.h"

namespace velmor::zip {

std::unique_ptr<EntryInflater> MakeXzInflater(const InflaterSettings& settings);

}  // namespace velmor::zip

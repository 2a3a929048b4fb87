// The bytes a Pack list's sources hold, for the progress of the call.
#pragma once

#include <cstdint>
#include <vector>

#include "zip/write/parallel_pack.h"

namespace velmor::zip {

// The sizes of the sources as they are now; a source that cannot be described counts 0.
int64_t SourceTotal(const std::vector<FileListPair>& pairs);

}  // namespace velmor::zip

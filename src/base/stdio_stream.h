// The owner of a C runtime stream.
#pragma once

#include <cstdio>

#include "base/unique_resource.h"

namespace velmor {

struct StdioStreamTraits {
    using type = std::FILE*;
    static type invalid() noexcept { return nullptr; }
    static void close(type stream) noexcept { std::fclose(stream); }
};

using UniqueStdioStream = UniqueResource<StdioStreamTraits>;

}  // namespace velmor

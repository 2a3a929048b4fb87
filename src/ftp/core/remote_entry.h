// What a listing line or a machine listing tells of one remote entry.
#pragma once

#include <cstdint>
#include <string>

namespace velmor::ftp {

struct RemoteEntry {
    std::string name;  // as the server wrote it (may be a path)
    bool isDirectory = false;
    bool sizeKnown = false;
    std::uint64_t size = 0;
};

}  // namespace velmor::ftp

// What a listing line or a machine listing tells of one remote entry.
#pragma once

#include <cstdint>
#include <string>

namespace velmor::ftp {

struct RemoteEntry {
    std::string name;  // as the server wrote it (may be a path)
    bool isDirectory = false;
    bool isLink = false;
    // A machine listing's entry of the listed folder itself or its parent.
    bool isCurrentOrParent = false;
    bool sizeKnown = false;
    std::uint64_t size = 0;
    std::string modified;  // UTC "YYYY-MM-DD HH:MM:SS" from a machine listing; else empty
};

}  // namespace velmor::ftp

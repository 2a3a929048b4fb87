// How central and local header fields become an entry's attributes and times.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zip/read/reader_entry.h"

namespace velmor::zip {

// Host systems whose archivers keep DOS attributes in the low byte of the external
// attributes: MS-DOS (0), Macintosh (7), NTFS (11) and VFAT (14).
bool HostKeepsDosAttributes(uint8_t hostSystem);

// Windows attribute bits from the version-made-by field (host in the high byte) and the
// external attributes. Other hosts are read as a Unix mode in the high half.
uint32_t MapExternalAttributes(uint16_t versionMadeBy, uint32_t externalAttributes);

struct EntryTimes {
    uint64_t access = 0;
    uint64_t creation = 0;
    uint64_t modification = 0;
};

// Overrides the times that the first extended-timestamp block of the local extra field
// carries, leaving the others as they are.
void ApplyExtendedTimestamp(const uint8_t* localExtra, size_t extraLength, EntryTimes* times);

}  // namespace velmor::zip

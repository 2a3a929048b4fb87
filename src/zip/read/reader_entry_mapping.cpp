#include "zip/read/reader_entry_mapping.h"

#include "zip/format/records.h"

namespace velmor::zip {

namespace {
constexpr uint32_t kUnixDirectoryBit = 0x40000000;   // S_IFDIR in the high half
constexpr uint32_t kUnixOwnerWriteBit = 0x00800000;  // S_IWUSR in the high half
constexpr uint32_t kDosReadOnly = 0x01;
constexpr uint32_t kDosHidden = 0x02;
constexpr uint32_t kDosSystem = 0x04;
constexpr uint32_t kDosDirectory = 0x10;
constexpr uint32_t kDosArchive = 0x20;
}  // namespace

bool HostKeepsDosAttributes(uint8_t hostSystem) {
    return hostSystem == 0 || hostSystem == 7 || hostSystem == 11 || hostSystem == 14;
}

uint32_t MapExternalAttributes(uint16_t versionMadeBy, uint32_t x) {
    bool directory = (x & kUnixDirectoryBit) != 0;
    bool readOnly = (x & kUnixOwnerWriteBit) == 0;
    bool archive = true;
    bool hidden = false;
    bool system = false;
    if (HostKeepsDosAttributes(static_cast<uint8_t>(versionMadeBy >> 8))) {
        readOnly = (x & kDosReadOnly) != 0;
        hidden = (x & kDosHidden) != 0;
        system = (x & kDosSystem) != 0;
        directory = (x & kDosDirectory) != 0;
        archive = (x & kDosArchive) != 0;
    }
    uint32_t attributes = 0;
    if (directory) attributes |= kEntryDirectory;
    if (archive) attributes |= kEntryArchive;
    if (hidden) attributes |= kEntryHidden;
    if (readOnly) attributes |= kEntryReadOnly;
    if (system) attributes |= kEntrySystem;
    return attributes;
}

void ApplyExtendedTimestamp(const uint8_t* localExtra, size_t extraLength, EntryTimes* times) {
    ExtendedTimestamp stamp;
    if (localExtra == nullptr || !FindExtendedTimestamp(localExtra, extraLength, &stamp)) return;
    if (stamp.flags & kTimestampModification) {
        times->modification = UnixTimeToFileTime(stamp.modification);
    }
    if (stamp.flags & kTimestampAccess) times->access = UnixTimeToFileTime(stamp.access);
    if (stamp.flags & kTimestampCreation) times->creation = UnixTimeToFileTime(stamp.creation);
}

}  // namespace velmor::zip

#include "zip/format/aes_format.h"

#include "zip/format/extra_field.h"
#include "zip/format/records.h"

namespace velmor::zip {

bool FindAesExtra(const uint8_t* extra, size_t size, AesEntryInfo* info) {
    const uint8_t* data = nullptr;
    size_t dataSize = 0;
    if (!FindExtraBlock(extra, size, kAesExtraId, &data, &dataSize)) return false;
    if (dataSize < kAesExtraDataSize) return false;
    AesEntryInfo read;
    read.version = ReadU16(data);
    read.strength = data[4];
    read.method = ReadU16(data + 5);
    if (read.version != kAesVersion1 && read.version != kAesVersion2) return false;
    if (ReadU16(data + 2) != kAesVendorId) return false;
    if (read.strength < 1 || read.strength > 3) return false;
    if (read.method != kMethodStored && read.method != kMethodDeflated) return false;
    read.keySize = 8u + 8u * read.strength;   // 16, 24, 32
    read.saltSize = 4u + 4u * read.strength;  // 8, 12, 16
    *info = read;
    return true;
}

AesDerivedKeys SplitDerivedKeys(const AesEntryInfo& info, const uint8_t* derived) {
    return {derived, derived + info.keySize, derived + 2 * info.keySize};
}

}  // namespace velmor::zip

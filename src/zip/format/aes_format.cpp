#include "zip/format/aes_format.h"

#include "zip/format/extra_field.h"
#include "zip/format/records.h"

namespace velmor::zip {

AesEntryInfo MakeAesEntryInfo(uint16_t version, uint8_t strength, uint16_t method) {
    AesEntryInfo info;
    info.version = version;
    info.strength = strength;
    info.method = method;
    info.keySize = 8u + 8u * strength;   // 16, 24, 32
    info.saltSize = 4u + 4u * strength;  // 8, 12, 16
    return info;
}

bool FindAesExtra(const uint8_t* extra, size_t size, AesEntryInfo* info) {
    const uint8_t* data = nullptr;
    size_t dataSize = 0;
    if (!FindExtraBlock(extra, size, kAesExtraId, &data, &dataSize)) return false;
    if (dataSize < kAesExtraDataSize) return false;
    const AesEntryInfo read = MakeAesEntryInfo(ReadU16(data), data[4], ReadU16(data + 5));
    if (read.version != kAesVersion1 && read.version != kAesVersion2) return false;
    if (ReadU16(data + 2) != kAesVendorId) return false;
    if (read.strength < 1 || read.strength > 3) return false;
    *info = read;
    return true;
}

void AppendAesExtra(const AesEntryInfo& info, std::vector<uint8_t>& out) {
    AppendU16(out, kAesExtraId);
    AppendU16(out, static_cast<uint16_t>(kAesExtraDataSize));
    AppendU16(out, info.version);
    AppendU16(out, kAesVendorId);
    out.push_back(info.strength);
    AppendU16(out, info.method);
}

AesDerivedKeys SplitDerivedKeys(const AesEntryInfo& info, const uint8_t* derived) {
    return {derived, derived + info.keySize, derived + 2 * info.keySize};
}

}  // namespace velmor::zip

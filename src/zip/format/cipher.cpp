#include "zip/format/cipher.h"

#include "zip/format/crc32.h"

namespace velmor::zip {

namespace {
constexpr uint32_t kInitialKey0 = 0x12345678u;
constexpr uint32_t kInitialKey1 = 0x23456789u;
constexpr uint32_t kInitialKey2 = 0x34567890u;
constexpr uint32_t kKeyMultiplier = 134775813u;
}  // namespace

CipherKeys::CipherKeys() : key0_(kInitialKey0), key1_(kInitialKey1), key2_(kInitialKey2) {}

CipherKeys::CipherKeys(const std::string& password) : CipherKeys() {
    for (char c : password) {
        if (c == '\0') break;
        UpdateKeys(static_cast<uint8_t>(c));
    }
}

void CipherKeys::UpdateKeys(uint8_t plain) {
    const uint32_t* table = CrcTable();
    key0_ = table[(key0_ ^ plain) & 0xFF] ^ (key0_ >> 8);
    key1_ = (key1_ + (key0_ & 0xFF)) * kKeyMultiplier + 1;
    key2_ = table[(key2_ ^ (key1_ >> 24)) & 0xFF] ^ (key2_ >> 8);
}

uint8_t CipherKeys::DecryptByte() const {
    const uint32_t t = (key2_ & 0xFFFF) | 2;
    return static_cast<uint8_t>(((t * (t ^ 1)) >> 8) & 0xFF);
}

uint8_t CipherKeys::EncryptByte(uint8_t plain) {
    const uint8_t c = plain ^ DecryptByte();
    UpdateKeys(plain);
    return c;
}

uint8_t CipherKeys::DecryptOne(uint8_t cipher) {
    const uint8_t p = cipher ^ DecryptByte();
    UpdateKeys(p);
    return p;
}

void CipherKeys::Encrypt(const uint8_t* src, uint8_t* dst, size_t size) {
    for (size_t i = 0; i < size; ++i) dst[i] = EncryptByte(src[i]);
}

void CipherKeys::DecryptInPlace(uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) data[i] = DecryptOne(data[i]);
}

uint8_t ExpectedCheckByte(uint16_t flags, uint32_t dosDateTime, uint32_t crc) {
    if (flags & 0x0008) return static_cast<uint8_t>((dosDateTime >> 8) & 0xFF);
    return static_cast<uint8_t>(crc >> 24);
}

void MakeEncryptionHeader(CipherKeys& keys, const uint8_t random[11], uint8_t checkByte,
                          uint8_t out[kEncryptionHeaderSize]) {
    uint8_t plain[kEncryptionHeaderSize];
    for (size_t i = 0; i < 11; ++i) plain[i] = random[i];
    plain[11] = checkByte;
    keys.Encrypt(plain, out, kEncryptionHeaderSize);
}

}  // namespace velmor::zip

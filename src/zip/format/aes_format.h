// The WinZip AES scheme of ZIP entries (AE-1 and AE-2): method 99, the 0x9901 extra block
// that names the key strength and the real method, and the layout of an entry's data:
// salt, 2-byte password verifier, AES-CTR data, 10-byte authentication code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmor::zip {

constexpr uint16_t kMethodAes = 99;
constexpr uint16_t kAesExtraId = 0x9901;
constexpr size_t kAesExtraDataSize = 7;
constexpr uint16_t kAesVendorId = 0x4541;  // "AE"
constexpr uint16_t kAesVersion1 = 1;       // AE-1: the CRC-32 is stored and checked
constexpr uint16_t kAesVersion2 = 2;       // AE-2: no CRC-32; the authentication code alone

constexpr uint8_t kAesStrength256 = 3;
// Entries this short are written as AE-2: the CRC-32 of a few bytes would give them away.
constexpr uint64_t kAesVersion2Below = 20;

constexpr uint32_t kAesBlockSize = 16;
constexpr uint32_t kAesMaxKeySize = 32;
constexpr uint32_t kAesMaxSaltSize = 16;
constexpr uint32_t kAesVerifierSize = 2;
constexpr uint32_t kAesAuthCodeSize = 10;
constexpr uint32_t kAesPbkdf2Iterations = 1000;
constexpr uint32_t kSha1DigestSize = 20;

// What an entry's 0x9901 block says.
struct AesEntryInfo {
    uint16_t version = 0;
    uint8_t strength = 0;  // 1, 2, 3: AES-128, -192, -256
    uint16_t method = 0;   // the real compression method
    uint32_t keySize = 0;  // AES key and HMAC-SHA1 key, each
    uint32_t saltSize = 0;

    bool checksCrc() const { return version == kAesVersion1; }
    // Bytes of an entry's data that are not encrypted content.
    uint32_t overhead() const { return saltSize + kAesVerifierSize + kAesAuthCodeSize; }
    // PBKDF2 output: AES key | HMAC key | verifier.
    uint32_t derivedSize() const { return 2 * keySize + kAesVerifierSize; }
};

// What a block of this version, strength (1 to 3) and real method says.
AesEntryInfo MakeAesEntryInfo(uint16_t version, uint8_t strength, uint16_t method);

// Reads the 0x9901 block of an extra field. False when there is none, or when it names an
// unknown version, vendor or strength; the real method may be any.
bool FindAesExtra(const uint8_t* extra, size_t size, AesEntryInfo* info);

// Appends the whole 0x9901 block (header and seven data bytes) for info.
void AppendAesExtra(const AesEntryInfo& info, std::vector<uint8_t>& out);

// The three parts of the PBKDF2 output of info.derivedSize() bytes.
struct AesDerivedKeys {
    const uint8_t* aesKey;
    const uint8_t* hmacKey;
    const uint8_t* verifier;
};
AesDerivedKeys SplitDerivedKeys(const AesEntryInfo& info, const uint8_t* derived);

// Key material that leaves no copy behind on the stack.
class WipedKeyBytes {
public:
    WipedKeyBytes() = default;
    WipedKeyBytes(const WipedKeyBytes&) = delete;
    WipedKeyBytes& operator=(const WipedKeyBytes&) = delete;
    ~WipedKeyBytes() {
        // Written through a volatile pointer so that the stores are not optimised away.
        volatile uint8_t* p = bytes_;
        for (size_t i = 0; i < sizeof bytes_; ++i) p[i] = 0;
    }
    uint8_t* data() { return bytes_; }

private:
    uint8_t bytes_[2 * kAesMaxKeySize + kAesVerifierSize] = {};
};

}  // namespace velmor::zip

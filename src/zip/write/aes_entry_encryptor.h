// Encrypting one entry in the WinZip AES format as the writer makes it: keys derived from the
// password and the entry's own salt, the salt and the password verifier in front of the data,
// AES-CTR over the data, and the first 10 bytes of HMAC-SHA1 over the encrypted data behind it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zip/format/aes_crypto.h"
#include "zip/format/aes_ctr.h"
#include "zip/format/aes_format.h"

namespace velmor::zip {

// The 0x9901 block of a new entry: AES-256, AE-2 for a source so short that its CRC-32 would
// tell its content, else AE-1 (the CRC-32 stored and checked by every reader).
AesEntryInfo AesInfoForNewEntry(uint16_t method, uint64_t sourceSize);

class AesEntryEncryptor {
public:
    // Derives the keys from password and salt (info.saltSize bytes) and appends salt and
    // verifier to front. Null when the platform fails.
    static std::unique_ptr<AesEntryEncryptor> Create(AesCrypto& crypto, const std::string& password,
                                                     const AesEntryInfo& info, const uint8_t* salt,
                                                     std::vector<uint8_t>* front);
    AesEntryEncryptor(const AesEntryEncryptor&) = delete;
    AesEntryEncryptor& operator=(const AesEntryEncryptor&) = delete;

    // Encrypts the next size bytes of entry data in place and adds them to the code.
    bool Encrypt(uint8_t* data, uint32_t size);
    // The authentication code of everything encrypted.
    bool Finish(uint8_t code[kAesAuthCodeSize]);

private:
    AesEntryEncryptor(std::unique_ptr<AesBlockCipher> cipher, std::unique_ptr<HmacSha1> mac);

    std::unique_ptr<AesBlockCipher> cipher_;
    std::unique_ptr<HmacSha1> mac_;
    AesCtrKeystream keystream_;  // over cipher_
};

}  // namespace velmor::zip

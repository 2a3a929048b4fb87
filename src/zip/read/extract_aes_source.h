// The data of a WinZip AES entry as the entry stream reads it: the salt and the password
// verifier in front, then the AES-CTR data, whose HMAC-SHA1 must equal the 10-byte
// authentication code behind it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zip/format/aes_crypto.h"
#include "zip/format/aes_ctr.h"
#include "zip/format/aes_format.h"
#include "zip/read/reader_byte_source.h"
#include "zip/read/reader_code.h"

namespace velmor::zip {

class AesEntrySource {
public:
    // start: absolute position of the entry's data; dataSize: its compressed size, which
    // must hold at least the salt, the verifier and the code (else BadArchive).
    static ReaderCode Create(ByteSource& source, uint64_t start, uint64_t dataSize,
                             const AesEntryInfo& info, const std::string& password,
                             AesCrypto& crypto, std::unique_ptr<AesEntrySource>* created);
    AesEntrySource(const AesEntrySource&) = delete;
    AesEntrySource& operator=(const AesEntrySource&) = delete;

    // Encrypted content bytes between the verifier and the code.
    uint64_t contentSize() const { return contentSize_; }
    bool started() const { return cipher_ != nullptr; }

    // Reads the salt and the verifier and derives the keys: CheckByteMismatch for a wrong
    // (or absent) password, IoError when the data cannot be read or the platform fails.
    ReaderCode Start();
    // Reads and decrypts the next size content bytes into out.
    ReaderCode Read(uint8_t* out, uint32_t size);
    // Passes the content not yet read through the code, using scratch, and compares it with
    // the stored one: AuthCodeMismatch when they differ.
    ReaderCode Finish(uint8_t* scratch, uint32_t scratchSize);

private:
    AesEntrySource(ByteSource& source, uint64_t start, uint64_t dataSize, const AesEntryInfo& info,
                   const std::string& password, AesCrypto& crypto);
    ReaderCode ReadContent(uint8_t* out, uint32_t size);

    ByteSource& source_;
    AesCrypto& crypto_;
    const AesEntryInfo info_;
    const std::string& password_;
    const uint64_t start_;
    const uint64_t contentSize_;
    uint64_t contentRead_ = 0;
    std::unique_ptr<AesBlockCipher> cipher_;
    std::unique_ptr<HmacSha1> mac_;
    std::unique_ptr<AesCtrKeystream> keystream_;
};

}  // namespace velmor::zip

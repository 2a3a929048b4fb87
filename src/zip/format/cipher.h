// The traditional PKWARE cipher of ZIP entries and its 12-byte encryption header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmor::zip {

constexpr size_t kEncryptionHeaderSize = 12;
// Bytes 0 to 10 of the header are random; byte 11 is the check byte.
constexpr size_t kEncryptionHeaderRandomSize = 11;

// Three 32-bit keys, initialised afresh for every entry.
class CipherKeys {
public:
    // Initial constants, i.e. the keys of an empty or absent password.
    CipherKeys();
    // Keys after passing every byte of the password (ANSI code page bytes, up to the
    // first zero byte) through UpdateKeys.
    explicit CipherKeys(const std::string& password);

    void UpdateKeys(uint8_t plain);
    // The keystream byte for the next data byte.
    uint8_t DecryptByte() const;

    uint8_t EncryptByte(uint8_t plain);
    uint8_t DecryptOne(uint8_t cipher);
    // Encrypts size bytes from src into dst (may be the same buffer).
    void Encrypt(const uint8_t* src, uint8_t* dst, size_t size);
    // Decrypts size bytes in place.
    void DecryptInPlace(uint8_t* data, size_t size);

    uint32_t key0() const { return key0_; }
    uint32_t key1() const { return key1_; }
    uint32_t key2() const { return key2_; }

private:
    uint32_t key0_;
    uint32_t key1_;
    uint32_t key2_;
};

// Expected value of the 12th decrypted header byte: the high byte of the DOS time word
// when the entry's central flags have bit 3, otherwise the top byte of its CRC-32.
// dosDateTime holds the time in the low half and the date in the high half.
uint8_t ExpectedCheckByte(uint16_t flags, uint32_t dosDateTime, uint32_t crc);

// Builds an encrypted encryption header: bytes 0..10 from random, byte 11 = checkByte,
// all 12 encrypted with keys (which then continue with the entry data).
void MakeEncryptionHeader(CipherKeys& keys, const uint8_t random[11], uint8_t checkByte,
                          uint8_t out[kEncryptionHeaderSize]);

}  // namespace velmor::zip

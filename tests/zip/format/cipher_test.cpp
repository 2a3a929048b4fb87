// CRC-32 and the traditional cipher, checked against a header and data that
// Info-ZIP zip 3.0 produced with "zip -0 -P secret" for a 21-byte text file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "zip/format/cipher.h"
#include "zip/format/crc32.h"

namespace velmor::zip {
namespace {

const char kPlain[] = "Hello, cipher world!\n";
// 12-byte encryption header followed by the 21 encrypted data bytes.
const uint8_t kInfoZipCipherText[] = {0x1c, 0x14, 0x29, 0xc2, 0x76, 0x2d, 0x66, 0x5b, 0xc5,
                                      0x07, 0xb1, 0xbd, 0xf8, 0xef, 0xca, 0x37, 0xec, 0x16,
                                      0x5f, 0xcb, 0xea, 0xda, 0xac, 0x01, 0x72, 0x1e, 0x3a,
                                      0xb2, 0xe8, 0x19, 0x33, 0x18, 0x5a};
const uint32_t kInfoZipDosDateTime = 0x50B16DABu;  // flags 0x0009: check byte from the time
const uint32_t kPlainCrc = 0xCF20953Cu;

TEST(ZipCrc32, KnownValuesAndChunking) {
    EXPECT_EQ(ComputeCrc32("", 0), 0u);
    EXPECT_EQ(ComputeCrc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(ComputeCrc32(kPlain, std::strlen(kPlain)), kPlainCrc);
    Crc32 running;
    running.Update("1234", 4);
    running.Update("56789", 5);
    EXPECT_EQ(running.Value(), 0xCBF43926u);
    EXPECT_EQ(CrcTable()[1], 0x77073096u);
    EXPECT_EQ(CrcTable()[255], 0x2D02EF8Du);
}

TEST(ZipCipher, EmptyAndAbsentPasswordKeepInitialKeys) {
    CipherKeys none;
    CipherKeys empty(std::string{});
    for (const CipherKeys* k : {&none, &empty}) {
        EXPECT_EQ(k->key0(), 0x12345678u);
        EXPECT_EQ(k->key1(), 0x23456789u);
        EXPECT_EQ(k->key2(), 0x34567890u);
    }
    // Bytes after an embedded zero are not part of the password.
    CipherKeys a(std::string("ab\0cd", 5));
    CipherKeys b(std::string("ab"));
    EXPECT_EQ(a.key2(), b.key2());
}

TEST(ZipCipher, DecryptsInfoZipEntryAndChecksHeader) {
    std::vector<uint8_t> data(std::begin(kInfoZipCipherText), std::end(kInfoZipCipherText));
    CipherKeys keys(std::string("secret"));
    keys.DecryptInPlace(data.data(), data.size());
    EXPECT_EQ(data[11], ExpectedCheckByte(0x0009, kInfoZipDosDateTime, kPlainCrc));
    EXPECT_EQ(data[11], 0x6D);
    EXPECT_EQ(std::string(data.begin() + 12, data.end()), kPlain);

    // A wrong password fails the check byte.
    std::vector<uint8_t> wrong(std::begin(kInfoZipCipherText), std::end(kInfoZipCipherText));
    CipherKeys bad(std::string("Secret"));
    bad.DecryptInPlace(wrong.data(), wrong.size());
    EXPECT_NE(wrong[11], 0x6D);
}

TEST(ZipCipher, CheckByteSourceFollowsBit3) {
    EXPECT_EQ(ExpectedCheckByte(0x0008, 0x50B16DABu, 0xCF20953Cu), 0x6D);
    EXPECT_EQ(ExpectedCheckByte(0x0001, 0x50B16DABu, 0xCF20953Cu), 0xCF);
}

TEST(ZipCipher, EncryptionHeaderAndDataRoundTrip) {
    const uint8_t random[11] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    CipherKeys enc(std::string("p\xE4ss"));  // a non-ASCII ANSI byte
    uint8_t header[kEncryptionHeaderSize];
    MakeEncryptionHeader(enc, random, 0x6D, header);
    std::vector<uint8_t> body(kPlain, kPlain + std::strlen(kPlain));
    std::vector<uint8_t> cipherBody(body.size());
    enc.Encrypt(body.data(), cipherBody.data(), body.size());

    std::vector<uint8_t> all(header, header + kEncryptionHeaderSize);
    all.insert(all.end(), cipherBody.begin(), cipherBody.end());
    CipherKeys dec(std::string("p\xE4ss"));
    dec.DecryptInPlace(all.data(), all.size());
    EXPECT_EQ(0, std::memcmp(all.data(), random, 11));
    EXPECT_EQ(all[11], 0x6D);
    EXPECT_EQ(std::vector<uint8_t>(all.begin() + 12, all.end()), body);
}

}  // namespace
}  // namespace velmor::zip

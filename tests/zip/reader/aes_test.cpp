// AES entries: the 0x9901 block, the WinZip counter, and the platform primitives under them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "test_archive_builder.h"
#include "zip/aes_crypto.h"
#include "zip/aes_ctr.h"
#include "zip/aes_format.h"

namespace velmor::zip {
namespace {

std::string Hex(const uint8_t* p, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        text += digits[p[i] >> 4];
        text += digits[p[i] & 15];
    }
    return text;
}

std::vector<uint8_t> Bytes(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::string AesBlock(uint16_t version, const char* vendor, uint8_t strength, uint16_t method) {
    std::string data(7, '\0');
    test::PutU16(data, 0, version);
    data[2] = vendor[0];
    data[3] = vendor[1];
    data[4] = static_cast<char>(strength);
    test::PutU16(data, 5, method);
    return test::ExtraBlock(kAesExtraId, data);
}

TEST(AesFormat, ExtraBlockNamesStrengthAndMethodOrIsRefused) {
    const std::string timestamp = test::TimestampBlock(1, 1600000000, 0, 0);
    struct Case {
        std::string extra;
        bool found;
        uint32_t keySize, saltSize;
        uint16_t method;
        bool checksCrc;
    } cases[] = {
        {AesBlock(1, "AE", 1, 8), true, 16, 8, 8, true},
        {AesBlock(2, "AE", 2, 0), true, 24, 12, 0, false},
        {timestamp + AesBlock(2, "AE", 3, 8), true, 32, 16, 8, false},
        {AesBlock(3, "AE", 3, 8), false},
        {AesBlock(2, "EA", 3, 8), false},
        {AesBlock(2, "AE", 0, 8), false},
        {AesBlock(2, "AE", 4, 8), false},
        {AesBlock(2, "AE", 3, 12), false},
        {AesBlock(2, "AE", 3, 8).substr(0, 10), false},  // runs past the field
        {test::ExtraBlock(kAesExtraId, std::string("\x02\x00" "AE\x03", 5)), false},  // too short
        {timestamp, false},
    };
    for (const Case& c : cases) {
        AesEntryInfo info;
        const auto* extra = reinterpret_cast<const uint8_t*>(c.extra.data());
        ASSERT_EQ(FindAesExtra(extra, c.extra.size(), &info), c.found) << Hex(extra, c.extra.size());
        if (!c.found) continue;
        EXPECT_EQ(info.keySize, c.keySize);
        EXPECT_EQ(info.saltSize, c.saltSize);
        EXPECT_EQ(info.method, c.method);
        EXPECT_EQ(info.checksCrc(), c.checksCrc);
        EXPECT_EQ(info.overhead(), c.saltSize + 12);
        EXPECT_EQ(info.derivedSize(), 2 * c.keySize + 2);
    }
}

// Hands back the counter blocks themselves, so the keystream shows the counter.
class IdentityCipher : public AesBlockCipher {
public:
    bool EncryptBlocks(const uint8_t* in, uint8_t* out, uint32_t size) override {
        EXPECT_EQ(size % kAesBlockSize, 0u);
        std::memcpy(out, in, size);
        ++calls;
        return true;
    }
    int calls = 0;
};

TEST(AesCtr, LittleEndianCounterFromOneAcrossUnevenPiecesAndBatches) {
    const size_t total = 1100 * kAesBlockSize;  // past one batch of counter blocks
    for (size_t piece : {size_t{1}, size_t{15}, size_t{17}, size_t{4099}, size_t{16384}}) {
        IdentityCipher cipher;
        AesCtrKeystream keystream(cipher);
        std::vector<uint8_t> data(total, 0);
        for (size_t at = 0; at < total; at += piece) {
            ASSERT_TRUE(keystream.Apply(data.data() + at, std::min(piece, total - at)));
        }
        for (uint32_t block = 0; block < total / kAesBlockSize; ++block) {
            uint8_t want[16] = {};
            const uint32_t counter = block + 1;
            std::memcpy(want, &counter, sizeof counter);
            ASSERT_EQ(Hex(&data[block * kAesBlockSize], 16), Hex(want, 16))
                << "block " << block << " in pieces of " << piece;
        }
        if (piece == 16384) {
            EXPECT_EQ(cipher.calls, 2);  // a whole batch, then the 76 blocks left
        }
    }
}

TEST(AesCrypto, PlatformPrimitivesMatchPublishedVectors) {
    AesCrypto& crypto = PlatformAesCrypto();
    // PBKDF2-HMAC-SHA1 (RFC 6070).
    const uint8_t salt[] = {'s', 'a', 'l', 't'};
    for (const auto& c : {std::make_pair(1u, "0c60c80f961f0e71f3a9b524af6012062fe037a6"),
                          std::make_pair(2u, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957")}) {
        uint8_t out[20];
        ASSERT_TRUE(crypto.DerivePbkdf2Sha1("password", salt, 4, c.first, out, 20));
        EXPECT_EQ(Hex(out, 20), c.second);
    }
    // AES-128 (FIPS-197 C.1) twice in one call: each block on its own, no chaining.
    const std::vector<uint8_t> key = Bytes("000102030405060708090a0b0c0d0e0f");
    std::vector<uint8_t> plain = Bytes("00112233445566778899aabbccddeeff");
    plain.insert(plain.end(), plain.begin(), plain.end());
    auto cipher = crypto.CreateBlockCipher(key.data(), 16);
    ASSERT_TRUE(cipher);
    uint8_t encrypted[32];
    ASSERT_TRUE(cipher->EncryptBlocks(plain.data(), encrypted, 32));
    EXPECT_EQ(Hex(encrypted, 32),
              "69c4e0d86a7b0430d8cdb78070b4c55a69c4e0d86a7b0430d8cdb78070b4c55a");
    // HMAC-SHA1 (RFC 2202 case 2), fed in two pieces.
    const std::string text = "what do ya want for nothing?";
    auto mac = crypto.CreateHmacSha1(reinterpret_cast<const uint8_t*>("Jefe"), 4);
    ASSERT_TRUE(mac);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    ASSERT_TRUE(mac->Update(bytes, 10));
    ASSERT_TRUE(mac->Update(bytes + 10, static_cast<uint32_t>(text.size() - 10)));
    uint8_t digest[20];
    ASSERT_TRUE(mac->Finish(digest));
    EXPECT_EQ(Hex(digest, 20), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
}

}  // namespace
}  // namespace velmor::zip

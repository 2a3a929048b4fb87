// AES entries: the WinZip counter, and the platform primitives under it. Whole archives
// from 7-Zip are read by the interop and damaged-archive tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "zip/format/aes_crypto.h"
#include "zip/format/aes_ctr.h"

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
    uint8_t derived[20];
    ASSERT_TRUE(crypto.DerivePbkdf2Sha1("password", salt, 4, 2, derived, 20));
    EXPECT_EQ(Hex(derived, 20), "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957");
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

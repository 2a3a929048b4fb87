// What the age core refuses, and with which code: one table of files made by the age tool or
// the core and then changed, each read both whole and in pieces. Before a failure, only plain
// text of chunks that verified may have come out, and never Complete().
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "crypto/age/age_cli.h"
#include "crypto/age/age_file.h"
#include "crypto/age/armor.h"
#include "crypto/age/header.h"
#include "crypto/age/keys.h"

using namespace velmor::crypto::age;
using velmor::test::age::AgeCli;
using velmor::test::age::AgeToolsAvailable;
using velmor::test::age::PatternBytes;
using velmor::test::age::ReadBytes;
using velmor::test::age::WriteBytes;

namespace {

using Bytes = std::vector<uint8_t>;

// Three chunks: two full ones and a short last one.
constexpr std::size_t kPlainSize = 2 * kChunkSize + 100;
const char kPassword[] = "password";

std::size_t HeaderSize(const Bytes& file) {
    Header header;
    EXPECT_EQ(ParseHeader(file.data(), file.size(), &header), AgeStatus::kOk);
    return header.size;
}

std::size_t PayloadStart(const Bytes& file) { return HeaderSize(file) + kPayloadNonceSize; }

std::size_t ChunkStart(const Bytes& file, std::size_t index) {
    return PayloadStart(file) + index * kSealedChunkSize;
}

std::size_t Find(const Bytes& file, const std::string& text) {
    const auto at = std::search(file.begin(), file.end(), text.begin(), text.end());
    EXPECT_NE(at, file.end()) << text;
    return static_cast<std::size_t>(at - file.begin());
}

Bytes Replace(Bytes file, const std::string& from, const std::string& to) {
    const std::size_t at = Find(file, from);
    file.erase(file.begin() + static_cast<std::ptrdiff_t>(at),
               file.begin() + static_cast<std::ptrdiff_t>(at + from.size()));
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), to.begin(), to.end());
    return file;
}

Bytes Flip(Bytes file, std::size_t at) {
    file.at(at) ^= 0x01;
    return file;
}

// Reads file in pieces of 1000 bytes: the status, and how much plain text came out first.
AgeStatus ReadInPieces(const Unlockers& unlockers, const Bytes& file, Bytes* plain) {
    AgeFileDecryptor decryptor(OpenSslAgeCrypto(), unlockers);
    AgeStatus status = AgeStatus::kOk;
    for (std::size_t i = 0; i < file.size() && status == AgeStatus::kOk; i += 1000) {
        status =
            decryptor.Update(file.data() + i, std::min<std::size_t>(1000, file.size() - i), plain);
    }
    if (status == AgeStatus::kOk) status = decryptor.Finish(plain);
    EXPECT_EQ(decryptor.Complete(), status == AgeStatus::kOk);
    return status;
}

TEST(AgeDamage, EachChangeHasItsCode) {
    if (!AgeToolsAvailable()) GTEST_SKIP() << "the age tools cannot run here";
    AgeCli cli;
    const AgeCli::KeyPair mine = cli.Keygen("mine.key");
    const AgeCli::KeyPair foreign = cli.Keygen("foreign.key");
    const Bytes plain = PatternBytes(kPlainSize, 3);
    WriteBytes(cli.Path("plain"), plain);
    ASSERT_EQ(cli.EncryptToRecipients({mine.recipient}, false, "plain", "x.age"), 0);
    ASSERT_EQ(cli.EncryptToRecipients({mine.recipient}, true, "plain", "x.armored"), 0);
    const Bytes file = ReadBytes(cli.Path("x.age"));
    const Bytes armored = ReadBytes(cli.Path("x.armored"));

    // A password file from the core, at a work factor that costs nothing.
    EncryptOptions options;
    options.usePassword = true;
    options.password = SecretString(kPassword);
    options.workFactor = 10;
    Bytes passwordFile;
    ASSERT_EQ(EncryptAge(OpenSslAgeCrypto(), options, plain.data(), plain.size(), &passwordFile),
              AgeStatus::kOk);

    Unlockers myKey;
    ASSERT_EQ(ParseIdentityFile(mine.identityFile, &myKey.identities), AgeStatus::kOk);
    Unlockers foreignKey;
    ASSERT_EQ(ParseIdentityFile(foreign.identityFile, &foreignKey.identities), AgeStatus::kOk);
    Unlockers rightPassword;
    rightPassword.hasPassword = true;
    rightPassword.password = SecretString(kPassword);
    Unlockers wrongPassword = rightPassword;
    wrongPassword.password = SecretString("Password");
    Unlockers everything = myKey;
    everything.hasPassword = true;
    everything.password = SecretString(kPassword);

    const std::size_t chunk0 = ChunkStart(file, 0);
    const std::size_t chunk1 = ChunkStart(file, 1);
    const std::size_t chunk2 = ChunkStart(file, 2);
    Bytes swapped = file;
    std::swap_ranges(swapped.begin() + static_cast<std::ptrdiff_t>(chunk0),
                     swapped.begin() + static_cast<std::ptrdiff_t>(chunk1),
                     swapped.begin() + static_cast<std::ptrdiff_t>(chunk1));
    // A stanza of an unknown type would be passed over; only the MAC tells it was added.
    const Bytes addedStanza = Replace(file, "\n---", "\n-> grease x\nAAAA\n---");
    Bytes scryptBeside = Replace(
        passwordFile, "\n---", "\n" + [&] {
            const std::size_t start = Find(file, "-> X25519");
            const std::size_t end = Find(file, "\n---");
            return std::string(file.begin() + static_cast<std::ptrdiff_t>(start),
                               file.begin() + static_cast<std::ptrdiff_t>(end));
        }() + "\n---");
    const std::size_t workFactorAt = Find(passwordFile, " 10\n");
    Bytes hugeWorkFactor = passwordFile;
    hugeWorkFactor[workFactorAt + 1] = '3';
    Bytes workFactor23 = passwordFile;
    workFactor23[workFactorAt + 1] = '2';
    workFactor23[workFactorAt + 2] = '3';

    struct Row {
        const char* name;
        Bytes file;
        const Unlockers& unlockers;
        AgeStatus expected;
        // Whole chunks that may come out before the failure shows.
        std::size_t verifiedChunks;
    };
    const Row rows[] = {
        {"intact", file, myKey, AgeStatus::kOk, 3},
        {"intact password file", passwordFile, rightPassword, AgeStatus::kOk, 3},
        {"identity and password given", file, everything, AgeStatus::kOk, 3},
        {"wrong password", passwordFile, wrongPassword, AgeStatus::kNoMatchingKey, 0},
        {"password for a file to a key", file, rightPassword, AgeStatus::kNoMatchingKey, 0},
        {"key for a password file", passwordFile, myKey, AgeStatus::kNoMatchingKey, 0},
        {"foreign identity", file, foreignKey, AgeStatus::kNoMatchingKey, 0},
        {"empty file", {}, myKey, AgeStatus::kDamaged, 0},
        {"version line", Flip(file, 3), myKey, AgeStatus::kDamaged, 0},
        {"header MAC", Flip(file, Find(file, "--- ") + 5), myKey, AgeStatus::kDamaged, 0},
        {"stanza added", addedStanza, myKey, AgeStatus::kDamaged, 0},
        {"scrypt beside X25519", scryptBeside, everything, AgeStatus::kDamaged, 0},
        {"work factor 30", hugeWorkFactor, rightPassword, AgeStatus::kDamaged, 0},
        {"work factor 23", workFactor23, rightPassword, AgeStatus::kDamaged, 0},
        {"header without nonce", Bytes(file.begin(), file.begin() + HeaderSize(file)), myKey,
         AgeStatus::kDamaged, 0},
        {"no payload", Bytes(file.begin(), file.begin() + chunk0), myKey, AgeStatus::kDamaged, 0},
        {"payload nonce", Flip(file, chunk0 - 1), myKey, AgeStatus::kDamaged, 0},
        {"first chunk", Flip(file, chunk0 + 10), myKey, AgeStatus::kDamaged, 0},
        {"middle chunk's tag", Flip(file, chunk2 - 1), myKey, AgeStatus::kDamaged, 1},
        {"last chunk", Flip(file, chunk2 + 5), myKey, AgeStatus::kDamaged, 2},
        {"last chunk dropped", Bytes(file.begin(), file.begin() + chunk2), myKey,
         AgeStatus::kDamaged, 2},
        {"cut inside the last chunk", Bytes(file.begin(), file.end() - 1), myKey,
         AgeStatus::kDamaged, 2},
        {"chunks swapped", swapped, myKey, AgeStatus::kDamaged, 0},
        {"byte after the end",
         [&] {
             Bytes longer = file;
             longer.push_back(0);
             return longer;
         }(),
         myKey, AgeStatus::kDamaged, 2},
        {"a tag's worth after the end",
         [&] {
             Bytes longer = file;
             longer.insert(longer.end(), kTagSize, 0);
             return longer;
         }(),
         myKey, AgeStatus::kDamaged, 2},
        {"armored", armored, myKey, AgeStatus::kOk, 3},
        {"armored, CRLF and spaces around",
         [&] {
             std::string text(armored.begin(), armored.end());
             std::string crlf = "  \r\n";
             for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
             crlf += "\r\n\t";
             return Bytes(crlf.begin(), crlf.end());
         }(),
         myKey, AgeStatus::kOk, 3},
        {"armored, garbage after",
         [&] {
             Bytes longer = armored;
             const std::string tail = "garbage\n";
             longer.insert(longer.end(), tail.begin(), tail.end());
             return longer;
         }(),
         myKey, AgeStatus::kDamaged, 0},
        {"armored, short line in the middle", Replace(armored, "\n", "\nA\n"), myKey,
         AgeStatus::kDamaged, 0},
        {"armored, character changed", Flip(armored, Find(armored, "\n") + 10), myKey,
         AgeStatus::kDamaged, 0},
        {"armored, no end line",
         Bytes(armored.begin(), armored.begin() + Find(armored, "-----END")), myKey,
         AgeStatus::kDamaged, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto start = std::chrono::steady_clock::now();
        Bytes whole;
        EXPECT_EQ(
            DecryptAge(OpenSslAgeCrypto(), row.unlockers, row.file.data(), row.file.size(), &whole),
            row.expected);
        EXPECT_EQ(whole, row.expected == AgeStatus::kOk ? plain : Bytes());
        // A refused work factor is refused before scrypt runs.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        if (LooksArmored(row.file.data(), row.file.size())) continue;
        Bytes pieces;
        EXPECT_EQ(ReadInPieces(row.unlockers, row.file, &pieces), row.expected);
        const std::size_t shown = std::min(plain.size(), row.verifiedChunks * kChunkSize);
        EXPECT_LE(pieces.size(), shown);
        EXPECT_EQ(pieces.size() % kChunkSize == 0 || pieces.size() == plain.size(), true);
        EXPECT_TRUE(std::equal(pieces.begin(), pieces.end(), plain.begin()));
    }
}

}  // namespace

// The age core against the age command line tools, one table per direction: every size that
// sits at a chunk boundary (empty, one byte, 64 KiB - 1, 64 KiB, 64 KiB + 1, a few MiB),
// binary and armored, to X25519 recipients and with a password.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "crypto/age/age_cli.h"
#include "crypto/age/age_file.h"
#include "crypto/age/keys.h"

using namespace velmor::crypto::age;
using velmor::test::age::AgeCli;
using velmor::test::age::AgeToolsAvailable;
using velmor::test::age::PatternBytes;
using velmor::test::age::ReadBytes;
using velmor::test::age::ReadBytesIfAny;
using velmor::test::age::WriteBytes;

namespace {

constexpr std::size_t kSizes[] = {
    0, 1, kChunkSize - 1, kChunkSize, kChunkSize + 1, 3 * 1024 * 1024 + 5};
// Cheap enough to run for every row; the tool reads any factor up to its own limit.
constexpr unsigned kTestWorkFactor = 10;
const char kPassword[] =
    "correct horse \xd0\xb1"
    "attery";

// Feeds the file to the streaming decryptor in pieces that straddle every chunk edge.
AgeStatus DecryptInPieces(const Unlockers& unlockers, const std::vector<uint8_t>& file,
                          std::vector<uint8_t>* plain) {
    AgeFileDecryptor decryptor(OpenSslAgeCrypto(), unlockers);
    constexpr std::size_t kPiece = 7777;
    for (std::size_t i = 0; i < file.size(); i += kPiece) {
        const std::size_t n = file.size() - i < kPiece ? file.size() - i : kPiece;
        const AgeStatus status = decryptor.Update(file.data() + i, n, plain);
        if (status != AgeStatus::kOk) return status;
    }
    const AgeStatus status = decryptor.Finish(plain);
    EXPECT_EQ(decryptor.Complete(), status == AgeStatus::kOk);
    return status;
}

Unlockers IdentitiesFrom(const std::string& identityFile) {
    Unlockers unlockers;
    EXPECT_EQ(ParseIdentityFile(identityFile, &unlockers.identities), AgeStatus::kOk);
    return unlockers;
}

Unlockers PasswordUnlockers() {
    Unlockers unlockers;
    unlockers.hasPassword = true;
    unlockers.password = SecretString(kPassword);
    return unlockers;
}

class AgeInterop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!AgeToolsAvailable()) GTEST_SKIP() << "the age tools cannot run here";
    }
};

TEST_F(AgeInterop, CoreEncryptsToolDecrypts) {
    AgeCli cli;
    const AgeCli::KeyPair mine = cli.Keygen("mine.key");
    const AgeCli::KeyPair other = cli.Keygen("other.key");
    Recipient myRecipient;
    Recipient otherRecipient;
    ASSERT_EQ(ParseRecipient(mine.recipient, &myRecipient), AgeStatus::kOk);
    ASSERT_EQ(ParseRecipient(other.recipient, &otherRecipient), AgeStatus::kOk);
    for (const std::size_t size : kSizes) {
        for (const bool armor : {false, true}) {
            for (const bool password : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "size " << size << (armor ? " armored" : "")
                                                  << (password ? " password" : " X25519"));
                const std::vector<uint8_t> plain = PatternBytes(size, 1);
                EncryptOptions options;
                options.armor = armor;
                options.usePassword = password;
                options.password = SecretString(kPassword);
                options.workFactor = kTestWorkFactor;
                // Two recipients: the tool must find its stanza among others.
                options.recipients = {otherRecipient, myRecipient};
                std::vector<uint8_t> file;
                ASSERT_EQ(
                    EncryptAge(OpenSslAgeCrypto(), options, plain.data(), plain.size(), &file),
                    AgeStatus::kOk);
                WriteBytes(cli.Path("in.age"), file);
                const int code = password ? cli.DecryptWithPassword(kPassword, "in.age", "out")
                                          : cli.DecryptWithIdentity("mine.key", "in.age", "out");
                ASSERT_EQ(code, 0);
                // The tool makes no output file for an empty payload.
                EXPECT_EQ(size == 0 ? ReadBytesIfAny(cli.Path("out")) : ReadBytes(cli.Path("out")),
                          plain);
                std::remove(cli.Path("out").c_str());
            }
        }
    }
}

TEST_F(AgeInterop, ToolEncryptsCoreDecrypts) {
    AgeCli cli;
    const AgeCli::KeyPair mine = cli.Keygen("mine.key");
    const AgeCli::KeyPair other = cli.Keygen("other.key");
    const Unlockers identities = IdentitiesFrom(mine.identityFile);
    const Unlockers password = PasswordUnlockers();
    struct Row {
        std::size_t size;
        bool armor;
        // The tool's password files cost a work factor of 18 on both sides; two rows suffice.
        bool password;
    };
    std::vector<Row> rows;
    for (const std::size_t size : kSizes) {
        for (const bool armor : {false, true}) rows.push_back({size, armor, false});
    }
    rows.push_back({kChunkSize + 1, false, true});
    rows.push_back({1, true, true});
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "size " << row.size << (row.armor ? " armored" : "")
                                          << (row.password ? " password" : " X25519"));
        const std::vector<uint8_t> plain = PatternBytes(row.size, 2);
        WriteBytes(cli.Path("plain"), plain);
        const int code = row.password
                             ? cli.EncryptWithPassword(kPassword, row.armor, "plain", "out.age")
                             : cli.EncryptToRecipients({other.recipient, mine.recipient}, row.armor,
                                                       "plain", "out.age");
        ASSERT_EQ(code, 0);
        const std::vector<uint8_t> file = ReadBytes(cli.Path("out.age"));
        const Unlockers& unlockers = row.password ? password : identities;
        std::vector<uint8_t> whole;
        ASSERT_EQ(DecryptAge(OpenSslAgeCrypto(), unlockers, file.data(), file.size(), &whole),
                  AgeStatus::kOk);
        EXPECT_EQ(whole, plain);
        if (!row.armor) {
            std::vector<uint8_t> pieces;
            ASSERT_EQ(DecryptInPieces(unlockers, file, &pieces), AgeStatus::kOk);
            EXPECT_EQ(pieces, plain);
        }
    }
}

}  // namespace

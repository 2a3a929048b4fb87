// Identity files and recipients: what age-keygen writes is read, and the recipient the core
// derives from its identity is the one age-keygen -y names; every malformed line is 88.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/age/age_cli.h"
#include "crypto/age/keys.h"

using namespace velmor::crypto::age;
using velmor::test::age::AgeCli;
using velmor::test::age::AgeToolsAvailable;

namespace {

std::string IdentityLine(const std::string& file) {
    const std::size_t at = file.find("AGE-SECRET-KEY-1");
    return file.substr(at, file.find('\n', at) - at);
}

// Changes the character at index to another one of the bech32 alphabet in the same case.
std::string ChangeAt(std::string text, std::size_t index) {
    text[index] = text[index] == 'Q'   ? 'P'
                  : text[index] == 'q' ? 'p'
                  : text[index] < 'a'  ? 'Q'
                                       : 'q';
    return text;
}

TEST(AgeKeys, KeygenFilesAndMalformedLines) {
    if (!AgeToolsAvailable()) GTEST_SKIP() << "the age tools cannot run here";
    AgeCli cli;
    const AgeCli::KeyPair first = cli.Keygen("first.key");
    const AgeCli::KeyPair second = cli.Keygen("second.key");
    const std::string firstLine = IdentityLine(first.identityFile);
    const std::string secondLine = IdentityLine(second.identityFile);

    std::vector<Identity> identities;
    ASSERT_EQ(ParseIdentityFile(first.identityFile, &identities), AgeStatus::kOk);
    ASSERT_EQ(identities.size(), 1u);
    Recipient derived;
    ASSERT_EQ(RecipientOf(OpenSslAgeCrypto(), identities[0], &derived), AgeStatus::kOk);
    EXPECT_EQ(FormatRecipient(derived), first.recipient);
    EXPECT_EQ(FormatIdentity(identities[0]), firstLine);

    struct Row {
        const char* name;
        std::string text;
        AgeStatus expected;
        std::size_t count;
    };
    const Row files[] = {
        {"two files joined, blank lines and CRLF",
         first.identityFile + "\r\n\n   \n" + second.identityFile + "\r\n", AgeStatus::kOk, 2},
        {"no final newline", "# a comment\n" + firstLine, AgeStatus::kOk, 1},
        {"indented comment", "   # note\n" + firstLine + "\n", AgeStatus::kOk, 1},
        {"comments only", "# created: now\n\n", AgeStatus::kBadKeyFormat, 0},
        {"empty", "", AgeStatus::kBadKeyFormat, 0},
        {"a recipient as identity", firstLine + "\n" + first.recipient + "\n",
         AgeStatus::kBadKeyFormat, 0},
        {"checksum changed", ChangeAt(firstLine, firstLine.size() - 1) + "\n",
         AgeStatus::kBadKeyFormat, 0},
        {"key changed", ChangeAt(firstLine, 20) + "\n", AgeStatus::kBadKeyFormat, 0},
        {"lower case",
         [&] {
             std::string lower = firstLine;
             for (char& c : lower) c = static_cast<char>(std::tolower(c));
             return lower;
         }(),
         AgeStatus::kBadKeyFormat, 0},
        {"one character short", firstLine.substr(0, firstLine.size() - 1), AgeStatus::kBadKeyFormat,
         0},
        {"text after the key", firstLine + " # mine\n", AgeStatus::kBadKeyFormat, 0},
        {"prose", firstLine + "\nnot a key\n", AgeStatus::kBadKeyFormat, 0},
    };
    for (const Row& row : files) {
        SCOPED_TRACE(row.name);
        std::vector<Identity> parsed;
        EXPECT_EQ(ParseIdentityFile(row.text, &parsed), row.expected);
        EXPECT_EQ(parsed.size(), row.count);
    }

    Recipient recipient;
    EXPECT_EQ(ParseRecipient(first.recipient, &recipient), AgeStatus::kOk);
    EXPECT_EQ(FormatRecipient(recipient), first.recipient);
    const std::string badRecipients[] = {
        "",
        ChangeAt(first.recipient, first.recipient.size() - 1),
        ChangeAt(first.recipient, 10),
        first.recipient.substr(0, first.recipient.size() - 1),
        "age1" + first.recipient,
        firstLine,
        [&] {
            std::string upper = first.recipient;
            for (char& c : upper) c = static_cast<char>(std::toupper(c));
            return upper;
        }(),
    };
    for (const std::string& text : badRecipients) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseRecipient(text, &recipient), AgeStatus::kBadKeyFormat);
    }
}

}  // namespace

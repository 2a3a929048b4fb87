// The component's own checks and its last-failure text.
#include <gtest/gtest.h>

#include <string>

#include "crypto/crypt_constants.h"
#include "crypto/file_cryptor.h"
#include "crypto/system_error_text.h"
#include "crypto_test_files.h"
#include "common/com_test_util.h"

namespace velmor::crypto::test {
namespace {

// The component's own texts, as the string table holds them.
constexpr wchar_t kTextPathTooLong[] = L"Слишком длинный путь к файлу (больше 259 символов)";
constexpr wchar_t kTextPasswordTooLong[] = L"Слишком длинный пароль (больше 127 символов)";

class FileCryptorTest : public ::testing::Test {
protected:
    FileCryptorTest() { WriteBytes(dir_.file(L"plain"), plain_); }
    std::wstring File(const wchar_t* name) const { return dir_.file(name); }

    velmor::test::TempDir dir_;
    Bytes plain_ = PatternBytes(1500);
    FileCryptor cryptor_;
};

TEST_F(FileCryptorTest, StartsWithoutTextAndKeepsItAcrossSuccesses) {
    EXPECT_TRUE(cryptor_.lastErrorText().empty());
    EXPECT_EQ(cryptor_.EncryptFile(File(L"missing"), File(L"out")), kResultCryptFailed);
    const std::wstring missing = cryptor_.lastErrorText();
    EXPECT_EQ(missing, SystemErrorText(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(missing.empty());

    cryptor_.SetPassword(L"pw");
    EXPECT_EQ(cryptor_.EncryptFile(File(L"plain"), File(L"enc")), 0);
    EXPECT_EQ(cryptor_.lastErrorText(), missing);

    cryptor_.SetPassword(L"other");
    EXPECT_EQ(cryptor_.DecryptFile(File(L"enc"), File(L"out")), kResultCryptFailed);
    EXPECT_NE(cryptor_.lastErrorText(), missing);
    EXPECT_LE(cryptor_.lastErrorText().size(), kMaxErrorTextChars);
}

TEST_F(FileCryptorTest, EmptyPasswordSwitchesBackToTheUserKey) {
    cryptor_.SetPassword(L"pw");
    ASSERT_EQ(cryptor_.EncryptFile(File(L"plain"), File(L"pw.enc")), 0);
    cryptor_.SetPassword(L"");
    ASSERT_EQ(cryptor_.EncryptFile(File(L"plain"), File(L"user.enc")), 0);
    EXPECT_EQ(ReadBytes(File(L"pw.enc")).size(), 1504u);
    EXPECT_GT(ReadBytes(File(L"user.enc")).size(), 1508u);
    ASSERT_EQ(cryptor_.DecryptFile(File(L"user.enc"), File(L"out")), 0)
        << std::string(cryptor_.lastErrorText().begin(), cryptor_.lastErrorText().end());
    EXPECT_TRUE(ReadBytes(File(L"out")) == plain_);
}

TEST_F(FileCryptorTest, OverlongPathsAreRefusedNotCut) {
    // 259 characters is the longest path kept; one more is refused before any
    // file is touched, even if the platform could open it.
    const std::wstring base = dir_.path() + L"\\";
    const std::wstring longest = base + std::wstring(kMaxPathChars - base.size(), L'a');
    const std::wstring tooLong = longest + L"b";
    ASSERT_EQ(longest.size(), kMaxPathChars);

    EXPECT_EQ(cryptor_.EncryptFile(File(L"plain"), tooLong), kResultCryptFailed);
    EXPECT_EQ(cryptor_.lastErrorText(), kTextPathTooLong);
    EXPECT_EQ(cryptor_.EncryptFile(tooLong, File(L"out")), kResultCryptFailed);
    EXPECT_EQ(cryptor_.lastErrorText(), kTextPathTooLong);
    EXPECT_FALSE(PathExists(File(L"out")));

    cryptor_.SetPassword(L"pw");
    EXPECT_EQ(cryptor_.EncryptFile(File(L"plain"), longest), 0);
    EXPECT_EQ(cryptor_.DecryptFile(longest, File(L"out")), 0);
    EXPECT_TRUE(ReadBytes(File(L"out")) == plain_);
}

TEST_F(FileCryptorTest, OverlongPasswordFailsEveryJobUntilReplaced) {
    const std::wstring longest(kMaxPasswordChars, L'p');
    cryptor_.SetPassword(longest + L"q");
    EXPECT_EQ(cryptor_.EncryptFile(File(L"plain"), File(L"enc")), kResultCryptFailed);
    EXPECT_EQ(cryptor_.lastErrorText(), kTextPasswordTooLong);
    EXPECT_FALSE(PathExists(File(L"enc")));
    EXPECT_EQ(cryptor_.DecryptFile(File(L"plain"), File(L"out")), kResultCryptFailed);
    EXPECT_FALSE(PathExists(File(L"out")));

    cryptor_.SetPassword(longest);
    ASSERT_EQ(cryptor_.EncryptFile(File(L"plain"), File(L"enc")), 0);
    FileCryptor reader;
    reader.SetPassword(longest);
    ASSERT_EQ(reader.DecryptFile(File(L"enc"), File(L"out")), 0);
    EXPECT_TRUE(ReadBytes(File(L"out")) == plain_);
}

TEST_F(FileCryptorTest, ArgumentsEndAtAnEmbeddedNull) {
    std::wstring password = L"pw";
    password += L'\0';
    password += L"ignored";
    cryptor_.SetPassword(password);
    std::wstring target = File(L"enc");
    target += L'\0';
    target += L"x";
    ASSERT_EQ(cryptor_.EncryptFile(File(L"plain"), target), 0);
    FileCryptor reader;
    reader.SetPassword(L"pw");
    ASSERT_EQ(reader.DecryptFile(File(L"enc"), File(L"out")), 0);
    EXPECT_TRUE(ReadBytes(File(L"out")) == plain_);
}

}  // namespace
}  // namespace velmor::crypto::test

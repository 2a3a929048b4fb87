// OrvCrypto through COM, early-bound: the adapter's argument handling and the
// description of its failure code.
#include <gtest/gtest.h>

#include <string>

#include "VelmorCOM_h.h"
#include "common/com_test_util.h"
#include "crypto/system_error_text.h"
#include "crypto_test_files.h"
#include "module/scoped_bstr.h"

namespace velmor::crypto::test {
namespace {

constexpr long kCryptFailed = 56;
const wchar_t kUnknownError[] = L"Неизвестная ошибка";

class OrvCryptoComTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(apartment_.result());
        ASSERT_HRESULT_SUCCEEDED(
            velmor::test::CreateComponent(CLSID_OrvCrypto, IID_IOrvCrypto, &crypto_));
        WriteBytes(dir_.file(L"plain.bin"), plain_);
    }
    std::wstring Describe(long code) {
        ScopedBstr text;
        EXPECT_EQ(crypto_->ErrDescription(code, text.receive()), S_OK);
        return text.str();
    }
    long Encrypt(const std::wstring& from, const std::wstring& to) {
        long result = -1;
        EXPECT_EQ(crypto_->EncryptFile(ScopedBstr(from).get(), ScopedBstr(to).get(), &result),
                  S_OK);
        return result;
    }
    long Decrypt(const std::wstring& from, const std::wstring& to) {
        long result = -1;
        EXPECT_EQ(crypto_->DecryptFile(ScopedBstr(from).get(), ScopedBstr(to).get(), &result),
                  S_OK);
        return result;
    }
    std::wstring File(const wchar_t* name) const { return dir_.file(name); }

    velmor::test::ComApartment apartment_;
    velmor::test::TempDir dir_;
    ComPtr<IOrvCrypto> crypto_;
    Bytes plain_ = PatternBytes(4321);
};

TEST_F(OrvCryptoComTest, DescribesOnlyItsOwnCode) {
    EXPECT_EQ(Describe(56), L"");
    EXPECT_EQ(Describe(55), kUnknownError);
    EXPECT_EQ(Describe(0), kUnknownError);
    EXPECT_EQ(Describe(-1), kUnknownError);
    EXPECT_EQ(Describe(77), kUnknownError);  // the shared table is not used

    EXPECT_EQ(Encrypt(File(L"missing.bin"), File(L"out.bin")), kCryptFailed);
    EXPECT_EQ(Describe(56), SystemErrorText(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(PathExists(File(L"out.bin")));
    EXPECT_EQ(Describe(55), kUnknownError);
}

TEST_F(OrvCryptoComTest, RoundTripsWithAndWithoutPassword) {
    ASSERT_EQ(crypto_->SetCryptPassword(ScopedBstr(L"Пароль").get()), S_OK);
    ASSERT_EQ(Encrypt(File(L"plain.bin"), File(L"pw.enc")), 0);
    EXPECT_EQ(ReadBytes(File(L"pw.enc")).size(), 4328u);
    ASSERT_EQ(Decrypt(File(L"pw.enc"), File(L"pw.out")), 0);
    EXPECT_TRUE(ReadBytes(File(L"pw.out")) == plain_);

    // A null BSTR is the empty password: the user's key.
    ASSERT_EQ(crypto_->SetCryptPassword(nullptr), S_OK);
    ASSERT_EQ(Encrypt(File(L"plain.bin"), File(L"user.enc")), 0);
    ASSERT_EQ(Decrypt(File(L"user.enc"), File(L"user.out")), 0) << Describe(56).size();
    EXPECT_TRUE(ReadBytes(File(L"user.out")) == plain_);

    // Without the password the same file does not decrypt.
    EXPECT_EQ(Decrypt(File(L"pw.enc"), File(L"bad.out")), kCryptFailed);
    EXPECT_FALSE(Describe(56).empty());
}

TEST_F(OrvCryptoComTest, NullResultPointersDoNoWork) {
    ScopedBstr from(File(L"plain.bin"));
    ScopedBstr to(File(L"never.enc"));
    EXPECT_EQ(crypto_->EncryptFile(from.get(), to.get(), nullptr), E_POINTER);
    EXPECT_EQ(crypto_->DecryptFile(from.get(), to.get(), nullptr), E_POINTER);
    EXPECT_EQ(crypto_->ErrDescription(56, nullptr), E_POINTER);
    EXPECT_FALSE(PathExists(File(L"never.enc")));
}

TEST_F(OrvCryptoComTest, NullPathsFailWithATextAndTouchNothing) {
    long result = -1;
    EXPECT_EQ(crypto_->EncryptFile(nullptr, nullptr, &result), S_OK);
    EXPECT_EQ(result, kCryptFailed);
    EXPECT_FALSE(Describe(56).empty());
}

}  // namespace
}  // namespace velmor::crypto::test

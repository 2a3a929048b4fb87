// The state and behaviour behind the OrvCrypto component: the password, the format and the
// age keys, the description of the last failure, and the checks made before a job runs.
#pragma once

#include <string>
#include <vector>

#include "base/progress_sink.h"
#include "crypto/age/age_file.h"
#include "crypto/crypto_api.h"

namespace velmor::crypto {

// The formats EncryptFile writes.
enum class CryptFormat : long {
    kLegacy = 0,  // RC2 through CryptoAPI, as the devices read it
    kAge = 1,     // age v1
};

class FileCryptor {
public:
    explicit FileCryptor(CryptoApi& api = PlatformCryptoApi(),
                         age::AgeCrypto& ageCrypto = age::OpenSslAgeCrypto());
    ~FileCryptor();
    FileCryptor(const FileCryptor&) = delete;
    FileCryptor& operator=(const FileCryptor&) = delete;

    // An empty password selects the no-password path. A password longer than
    // the component keeps is not cut: it is remembered as rejected, and every
    // EncryptFile/DecryptFile fails with its description until a password
    // that fits (or an empty one) is set.
    void SetPassword(const std::wstring& password);

    CryptFormat format() const { return format_; }
    void SetFormat(CryptFormat format) { format_ = format; }
    bool armor() const { return armor_; }
    void SetArmor(bool armor) { armor_ = armor; }
    // The lines of a recipients or identities file; "" clears the list. 0, or
    // kResultBadKeyFormat with the list as it was.
    long SetRecipients(const std::wstring& text);
    long SetIdentities(const std::wstring& text);
    // The user's own recipient ("age1..."), made on first use; empty when the profile
    // cannot keep it (lastErrorText() says why).
    std::wstring UserRecipient();

    // Both return 0 on success or a result code: kResultCryptFailed, whose
    // text lastErrorText() gives, for today's format and for failures of the
    // files and the platform, and for age kResultCancelled and 86 to 88. A
    // failure of 56 replaces lastErrorText(), anything else leaves it.
    // progress (may be null) hears how far a job has read its input, and may stop it (77).
    long EncryptFile(const std::wstring& sourcePath, const std::wstring& targetPath,
                     ProgressSink* progress = nullptr);
    long DecryptFile(const std::wstring& sourcePath, const std::wstring& targetPath,
                     ProgressSink* progress = nullptr);
    // The text as UTF-8 in armored age, keys chosen as EncryptFile's in age;
    // and back. Empty text on failure, the code in *result.
    std::wstring EncryptString(const std::wstring& text, long* result);
    std::wstring DecryptString(const std::wstring& armored, long* result);

    // At most kMaxErrorTextChars units; empty until something failed.
    const std::wstring& lastErrorText() const { return lastErrorText_; }

private:
    enum class Direction { kEncrypt, kDecrypt };
    long Run(Direction direction, const std::wstring& sourcePath, const std::wstring& targetPath,
             ProgressSink* progress);
    // The keys of an age encryption; 0 or the failure's code.
    long AgeEncryptKeys(age::EncryptOptions* options);
    age::Unlockers AgeDecryptKeys();
    long Failed(const std::wstring& text);

    CryptoApi& api_;
    age::AgeCrypto& ageCrypto_;
    std::wstring password_;
    bool passwordTooLong_ = false;
    CryptFormat format_ = CryptFormat::kLegacy;
    bool armor_ = false;
    std::vector<age::Recipient> recipients_;
    std::vector<age::Identity> identities_;
    std::wstring lastErrorText_;
};

}  // namespace velmor::crypto

// A whole age file: header (stanzas and MAC), the payload nonce and the STREAM payload.
// Encryption takes recipients or a password; decryption takes identities and/or a password
// and hands out plain text only chunk by verified chunk. Complete() after Finish() is the one
// sign that the file was read whole and unchanged; before it the caller keeps what it got to
// itself (a temporary file, renamed only then).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "crypto/age/age_crypto.h"
#include "crypto/age/age_status.h"
#include "crypto/age/header.h"
#include "crypto/age/keys.h"
#include "crypto/age/stanzas.h"
#include "crypto/age/stream.h"

namespace velmor::crypto::age {

inline constexpr std::size_t kPayloadNonceSize = 16;

class AgeFileEncryptor {
public:
    explicit AgeFileEncryptor(AgeCrypto& crypto, unsigned threads = 1)
        : crypto_(crypto), threads_(threads) {}

    // threads: as StreamEncryptor::SetThreads.
    // Writes the header and the payload nonce to out. The component always uses
    // kScryptWorkFactor; tests pass less to save time.
    AgeStatus BeginForRecipients(const std::vector<Recipient>& recipients,
                                 std::vector<uint8_t>* out);
    AgeStatus BeginForPassword(const SecretString& password, unsigned workFactor,
                               std::vector<uint8_t>* out);
    AgeStatus Update(const uint8_t* data, std::size_t size, std::vector<uint8_t>* out);
    AgeStatus Finish(std::vector<uint8_t>* out);

private:
    AgeStatus Begin(const std::vector<Stanza>& stanzas, const FileKey& fileKey,
                    std::vector<uint8_t>* out);

    AgeCrypto& crypto_;
    unsigned threads_;
    std::unique_ptr<StreamEncryptor> stream_;
};

class AgeFileDecryptor {
public:
    // threads: as StreamDecryptor::SetThreads.
    AgeFileDecryptor(AgeCrypto& crypto, Unlockers unlockers, unsigned threads = 1)
        : crypto_(crypto), unlockers_(std::move(unlockers)), threads_(threads) {}

    // Takes the file's bytes as they come; appends verified plain text to out. Any status but
    // kOk is final.
    AgeStatus Update(const uint8_t* data, std::size_t size, std::vector<uint8_t>* out);
    // At the end of the input: kOk when the file was complete and every chunk verified.
    AgeStatus Finish(std::vector<uint8_t>* out);
    bool Complete() const { return complete_; }

private:
    AgeStatus ReadHeader(std::vector<uint8_t>* out);

    AgeCrypto& crypto_;
    Unlockers unlockers_;
    unsigned threads_;
    std::vector<uint8_t> head_;
    std::unique_ptr<StreamDecryptor> stream_;
    AgeStatus failed_ = AgeStatus::kOk;
    bool complete_ = false;
};

// The whole file at once, binary or armored, for small files and tests.
struct EncryptOptions {
    std::vector<Recipient> recipients;
    bool usePassword = false;
    SecretString password;
    unsigned workFactor = kScryptWorkFactor;
    bool armor = false;
};
AgeStatus EncryptAge(AgeCrypto& crypto, const EncryptOptions& options, const uint8_t* data,
                     std::size_t size, std::vector<uint8_t>* out);
// Armor is recognised by its first line. out holds plain text only on kOk.
AgeStatus DecryptAge(AgeCrypto& crypto, const Unlockers& unlockers, const uint8_t* data,
                     std::size_t size, std::vector<uint8_t>* out);

}  // namespace velmor::crypto::age

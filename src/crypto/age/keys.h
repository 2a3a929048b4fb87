// X25519 recipients ("age1...") and identities ("AGE-SECRET-KEY-1..."), as strings and as the
// lines of an identity file: one key a line, '#' comments and blank lines between them.
#pragma once

#include <string>
#include <vector>

#include "crypto/age/age_crypto.h"
#include "crypto/age/age_status.h"
#include "crypto/age/secure_zero.h"

namespace velmor::crypto::age {

struct Recipient {
    uint8_t publicKey[kKeySize] = {};
};

struct Identity {
    SecretBytes<kKeySize> secret;
};

// kBadKeyFormat unless text is exactly one lower-case "age1" key of 32 bytes.
AgeStatus ParseRecipient(const std::string& text, Recipient* recipient);
std::string FormatRecipient(const Recipient& recipient);

AgeStatus ParseIdentity(const std::string& text, Identity* identity);
std::string FormatIdentity(const Identity& identity);

// Every key line of an identity file; kBadKeyFormat for any other line, or for a file that
// holds no key at all.
AgeStatus ParseIdentityFile(const std::string& text, std::vector<Identity>* identities);

// Every key line of a recipients file (as `age -R` reads one); kBadKeyFormat for any other
// line. A file without keys gives an empty list.
AgeStatus ParseRecipientFile(const std::string& text, std::vector<Recipient>* recipients);

// A fresh identity from the system's random generator, and the recipient it answers to.
AgeStatus GenerateIdentity(AgeCrypto& crypto, Identity* identity);
AgeStatus RecipientOf(AgeCrypto& crypto, const Identity& identity, Recipient* recipient);

}  // namespace velmor::crypto::age

// The two stanza types: "-> X25519 <share>" and "-> scrypt <salt> <log2 N>", each wrapping the
// 16-byte file key with ChaCha20-Poly1305 under a key of its own and a zero nonce.
#pragma once

#include <vector>

#include "crypto/age/age_crypto.h"
#include "crypto/age/age_status.h"
#include "crypto/age/header.h"
#include "crypto/age/keys.h"
#include "crypto/age/secure_zero.h"

namespace velmor::crypto::age {

inline constexpr std::size_t kFileKeySize = 16;
using FileKey = SecretBytes<kFileKeySize>;

// The work factor this library writes, and the most it will spend on reading.
inline constexpr unsigned kScryptWorkFactor = 18;
inline constexpr unsigned kMaxScryptWorkFactor = 22;

AgeStatus WrapX25519(AgeCrypto& crypto, const FileKey& fileKey, const Recipient& recipient,
                     Stanza* stanza);
AgeStatus WrapScrypt(AgeCrypto& crypto, const FileKey& fileKey, const SecretString& password,
                     unsigned workFactor, Stanza* stanza);

// What may open a file: identities, a password, or both.
struct Unlockers {
    std::vector<Identity> identities;
    bool hasPassword = false;
    SecretString password;
};

// The file key out of the header's stanzas. kDamaged for a malformed stanza of a known type,
// for an scrypt stanza beside others and for a work factor past kMaxScryptWorkFactor (before
// any work); kNoMatchingKey when nothing opens. Unknown stanza types are passed over.
AgeStatus UnwrapFileKey(AgeCrypto& crypto, const std::vector<Stanza>& stanzas,
                        const Unlockers& unlockers, FileKey* fileKey);

}  // namespace velmor::crypto::age

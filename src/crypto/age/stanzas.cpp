#include "crypto/age/stanzas.h"

#include <cstring>
#include <string>

#include "crypto/age/base64.h"

namespace velmor::crypto::age {

namespace {

constexpr char kX25519Type[] = "X25519";
constexpr char kScryptType[] = "scrypt";
constexpr char kX25519Info[] = "age-encryption.org/v1/X25519";
constexpr char kScryptSaltLabel[] = "age-encryption.org/v1/scrypt";
constexpr std::size_t kScryptSaltSize = 16;
constexpr std::size_t kWrappedSize = kFileKeySize + kTagSize;
const uint8_t kZeroNonce[kNonceSize] = {};

bool Seal(AgeCrypto& crypto, const SecretBytes<kKeySize>& key, const FileKey& fileKey,
          Stanza* stanza) {
    stanza->body.assign(kWrappedSize, 0);
    return crypto.ChaChaPolySeal(key.data(), kZeroNonce, fileKey.data(), kFileKeySize,
                                 stanza->body.data());
}

bool Open(AgeCrypto& crypto, const SecretBytes<kKeySize>& key, const Stanza& stanza,
          FileKey* fileKey) {
    return crypto.ChaChaPolyOpen(key.data(), kZeroNonce, stanza.body.data(), kFileKeySize,
                                 fileKey->data());
}

bool X25519WrapKey(AgeCrypto& crypto, const uint8_t* shared, const uint8_t* share,
                   const uint8_t* recipient, SecretBytes<kKeySize>* key) {
    uint8_t salt[2 * kKeySize];
    std::memcpy(salt, share, kKeySize);
    std::memcpy(salt + kKeySize, recipient, kKeySize);
    return crypto.HkdfSha256(shared, kKeySize, salt, sizeof(salt), kX25519Info, key->data(),
                             kKeySize);
}

bool AllZero(const uint8_t* data, std::size_t size) {
    uint8_t any = 0;
    for (std::size_t i = 0; i < size; ++i) any |= data[i];
    return any == 0;
}

std::vector<uint8_t> ScryptSalt(const uint8_t* salt) {
    // Sized once and copied into: GCC 12 takes a growing insert for an overrun.
    constexpr std::size_t kLabelSize = sizeof(kScryptSaltLabel) - 1;
    std::vector<uint8_t> full(kLabelSize + kScryptSaltSize);
    std::memcpy(full.data(), kScryptSaltLabel, kLabelSize);
    std::memcpy(full.data() + kLabelSize, salt, kScryptSaltSize);
    return full;
}

// A decimal work factor without leading zeros, 1 to 99.
bool ParseWorkFactor(const std::string& text, unsigned* workFactor) {
    if (text.empty() || text.size() > 2 || text[0] == '0') return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    *workFactor = value;
    return true;
}

AgeStatus TryX25519(AgeCrypto& crypto, const Stanza& stanza, const Identity& identity,
                    FileKey* fileKey) {
    std::vector<uint8_t> share;
    if (stanza.args.size() != 1 ||
        !Base64Decode(stanza.args[0].data(), stanza.args[0].size(), false, &share) ||
        share.size() != kKeySize || stanza.body.size() != kWrappedSize) {
        return AgeStatus::kDamaged;
    }
    uint8_t ownPublic[kKeySize];
    SecretBytes<kKeySize> shared;
    SecretBytes<kKeySize> key;
    if (!crypto.X25519Public(identity.secret.data(), ownPublic)) return AgeStatus::kCryptoFailed;
    // A share of low order gives the zero secret; such a stanza is refused, not skipped.
    if (!crypto.X25519Shared(identity.secret.data(), share.data(), shared.data()) ||
        AllZero(shared.data(), kKeySize)) {
        return AgeStatus::kDamaged;
    }
    if (!X25519WrapKey(crypto, shared.data(), share.data(), ownPublic, &key)) {
        return AgeStatus::kCryptoFailed;
    }
    return Open(crypto, key, stanza, fileKey) ? AgeStatus::kOk : AgeStatus::kNoMatchingKey;
}

AgeStatus TryScrypt(AgeCrypto& crypto, const Stanza& stanza, const SecretString& password,
                    FileKey* fileKey) {
    std::vector<uint8_t> salt;
    unsigned workFactor = 0;
    if (stanza.args.size() != 2 ||
        !Base64Decode(stanza.args[0].data(), stanza.args[0].size(), false, &salt) ||
        salt.size() != kScryptSaltSize || !ParseWorkFactor(stanza.args[1], &workFactor) ||
        workFactor > kMaxScryptWorkFactor || stanza.body.size() != kWrappedSize) {
        return AgeStatus::kDamaged;
    }
    SecretBytes<kKeySize> key;
    const std::vector<uint8_t> fullSalt = ScryptSalt(salt.data());
    if (!crypto.Scrypt(password.str(), fullSalt.data(), fullSalt.size(), workFactor, 8, 1,
                       key.data(), kKeySize)) {
        return AgeStatus::kCryptoFailed;
    }
    return Open(crypto, key, stanza, fileKey) ? AgeStatus::kOk : AgeStatus::kNoMatchingKey;
}

}  // namespace

AgeStatus WrapX25519(AgeCrypto& crypto, const FileKey& fileKey, const Recipient& recipient,
                     Stanza* stanza) {
    SecretBytes<kKeySize> ephemeral;
    SecretBytes<kKeySize> shared;
    SecretBytes<kKeySize> key;
    uint8_t share[kKeySize];
    if (!crypto.RandomBytes(ephemeral.data(), kKeySize) ||
        !crypto.X25519Public(ephemeral.data(), share)) {
        return AgeStatus::kCryptoFailed;
    }
    if (!crypto.X25519Shared(ephemeral.data(), recipient.publicKey, shared.data()) ||
        AllZero(shared.data(), kKeySize)) {
        return AgeStatus::kBadKeyFormat;
    }
    if (!X25519WrapKey(crypto, shared.data(), share, recipient.publicKey, &key)) {
        return AgeStatus::kCryptoFailed;
    }
    stanza->type = kX25519Type;
    stanza->args = {Base64Encode(share, kKeySize, false)};
    return Seal(crypto, key, fileKey, stanza) ? AgeStatus::kOk : AgeStatus::kCryptoFailed;
}

AgeStatus WrapScrypt(AgeCrypto& crypto, const FileKey& fileKey, const SecretString& password,
                     unsigned workFactor, Stanza* stanza) {
    uint8_t salt[kScryptSaltSize];
    SecretBytes<kKeySize> key;
    if (workFactor == 0 || workFactor > kMaxScryptWorkFactor ||
        !crypto.RandomBytes(salt, sizeof(salt))) {
        return AgeStatus::kCryptoFailed;
    }
    const std::vector<uint8_t> fullSalt = ScryptSalt(salt);
    if (!crypto.Scrypt(password.str(), fullSalt.data(), fullSalt.size(), workFactor, 8, 1,
                       key.data(), kKeySize)) {
        return AgeStatus::kCryptoFailed;
    }
    stanza->type = kScryptType;
    stanza->args = {Base64Encode(salt, sizeof(salt), false), std::to_string(workFactor)};
    return Seal(crypto, key, fileKey, stanza) ? AgeStatus::kOk : AgeStatus::kCryptoFailed;
}

AgeStatus UnwrapFileKey(AgeCrypto& crypto, const std::vector<Stanza>& stanzas,
                        const Unlockers& unlockers, FileKey* fileKey) {
    for (const Stanza& stanza : stanzas) {
        if (stanza.type == kScryptType) {
            if (stanzas.size() != 1) return AgeStatus::kDamaged;
            if (!unlockers.hasPassword) return AgeStatus::kNoMatchingKey;
            return TryScrypt(crypto, stanza, unlockers.password, fileKey);
        }
    }
    for (const Stanza& stanza : stanzas) {
        if (stanza.type != kX25519Type) continue;
        if (unlockers.identities.empty()) {
            // Still check the stanza's form: a malformed one is damage whoever reads it.
            if (stanza.args.size() != 1 || stanza.body.size() != kWrappedSize) {
                return AgeStatus::kDamaged;
            }
        }
        for (const Identity& identity : unlockers.identities) {
            const AgeStatus status = TryX25519(crypto, stanza, identity, fileKey);
            if (status != AgeStatus::kNoMatchingKey) return status;
        }
    }
    return AgeStatus::kNoMatchingKey;
}

}  // namespace velmor::crypto::age

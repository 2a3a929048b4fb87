#include "crypto/age/keys.h"

#include <cstring>

#include "crypto/age/bech32.h"

namespace velmor::crypto::age {

namespace {

constexpr char kRecipientHrp[] = "age";
constexpr char kIdentityHrp[] = "age-secret-key-";

}  // namespace

AgeStatus ParseRecipient(const std::string& text, Recipient* recipient) {
    std::string hrp;
    std::vector<uint8_t> data;
    // Recipients are written in lower case only.
    for (char c : text) {
        if (c >= 'A' && c <= 'Z') return AgeStatus::kBadKeyFormat;
    }
    if (!Bech32Decode(text, &hrp, &data) || hrp != kRecipientHrp || data.size() != kKeySize) {
        return AgeStatus::kBadKeyFormat;
    }
    std::memcpy(recipient->publicKey, data.data(), kKeySize);
    return AgeStatus::kOk;
}

std::string FormatRecipient(const Recipient& recipient) {
    return Bech32Encode(kRecipientHrp,
                        std::vector<uint8_t>(recipient.publicKey, recipient.publicKey + kKeySize));
}

AgeStatus ParseIdentity(const std::string& text, Identity* identity) {
    std::string hrp;
    std::vector<uint8_t> data;
    // Identities are written in upper case only.
    for (char c : text) {
        if (c >= 'a' && c <= 'z') return AgeStatus::kBadKeyFormat;
    }
    const bool ok =
        Bech32Decode(text, &hrp, &data) && hrp == kIdentityHrp && data.size() == kKeySize;
    if (ok) std::memcpy(identity->secret.data(), data.data(), kKeySize);
    SecureZero(data);
    return ok ? AgeStatus::kOk : AgeStatus::kBadKeyFormat;
}

std::string FormatIdentity(const Identity& identity) {
    std::vector<uint8_t> data(identity.secret.data(), identity.secret.data() + kKeySize);
    std::string text = Bech32Encode(kIdentityHrp, data);
    SecureZero(data);
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

namespace {

// Calls take(line) for every line of text that holds a key: spaces, tabs and a CR around it
// trimmed, blank lines and '#' comments passed over. Stops at the first status but kOk.
template <class Take>
AgeStatus ForEachKeyLine(const std::string& text, Take&& take) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::size_t first = start;
        std::size_t last = end;
        while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
        while (last > first &&
               (text[last - 1] == ' ' || text[last - 1] == '\t' || text[last - 1] == '\r')) {
            --last;
        }
        start = end + 1;
        if (first == last || text[first] == '#') continue;
        std::string line = text.substr(first, last - first);
        const AgeStatus status = take(line);
        SecureZero(line);
        if (status != AgeStatus::kOk) return status;
    }
    return AgeStatus::kOk;
}

}  // namespace

AgeStatus ParseIdentityFile(const std::string& text, std::vector<Identity>* identities) {
    identities->clear();
    const AgeStatus status = ForEachKeyLine(text, [&](const std::string& line) {
        Identity identity;
        const AgeStatus parsed = ParseIdentity(line, &identity);
        if (parsed == AgeStatus::kOk) identities->push_back(identity);
        return parsed;
    });
    if (status != AgeStatus::kOk) identities->clear();
    if (status != AgeStatus::kOk || identities->empty()) return AgeStatus::kBadKeyFormat;
    return AgeStatus::kOk;
}

AgeStatus ParseRecipientFile(const std::string& text, std::vector<Recipient>* recipients) {
    recipients->clear();
    const AgeStatus status = ForEachKeyLine(text, [&](const std::string& line) {
        Recipient recipient;
        const AgeStatus parsed = ParseRecipient(line, &recipient);
        if (parsed == AgeStatus::kOk) recipients->push_back(recipient);
        return parsed;
    });
    if (status != AgeStatus::kOk) recipients->clear();
    return status;
}

AgeStatus GenerateIdentity(AgeCrypto& crypto, Identity* identity) {
    return crypto.RandomBytes(identity->secret.data(), kKeySize) ? AgeStatus::kOk
                                                                 : AgeStatus::kCryptoFailed;
}

AgeStatus RecipientOf(AgeCrypto& crypto, const Identity& identity, Recipient* recipient) {
    return crypto.X25519Public(identity.secret.data(), recipient->publicKey)
               ? AgeStatus::kOk
               : AgeStatus::kCryptoFailed;
}

}  // namespace velmor::crypto::age

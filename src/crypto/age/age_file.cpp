#include "crypto/age/age_file.h"

#include <cstring>
#include <string>

#include "crypto/age/armor.h"

namespace velmor::crypto::age {

namespace {

bool HeaderMac(AgeCrypto& crypto, const FileKey& fileKey, const uint8_t* text, std::size_t size,
               uint8_t* mac) {
    SecretBytes<kKeySize> key;
    return crypto.HkdfSha256(fileKey.data(), kFileKeySize, nullptr, 0, "header", key.data(),
                             kKeySize) &&
           crypto.HmacSha256(key.data(), kKeySize, text, size, mac);
}

bool PayloadKey(AgeCrypto& crypto, const FileKey& fileKey, const uint8_t* nonce,
                SecretBytes<kKeySize>* key) {
    return crypto.HkdfSha256(fileKey.data(), kFileKeySize, nonce, kPayloadNonceSize, "payload",
                             key->data(), kKeySize);
}

}  // namespace

AgeStatus AgeFileEncryptor::Begin(const std::vector<Stanza>& stanzas, const FileKey& fileKey,
                                  std::vector<uint8_t>* out) {
    const std::string text = WriteHeaderWithoutMac(stanzas);
    uint8_t mac[kMacSize];
    uint8_t nonce[kPayloadNonceSize];
    SecretBytes<kKeySize> payloadKey;
    if (!HeaderMac(crypto_, fileKey, reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                   mac) ||
        !crypto_.RandomBytes(nonce, sizeof(nonce)) ||
        !PayloadKey(crypto_, fileKey, nonce, &payloadKey)) {
        return AgeStatus::kCryptoFailed;
    }
    const std::string macLine = WriteMacLine(mac);
    out->insert(out->end(), text.begin(), text.end());
    out->insert(out->end(), macLine.begin(), macLine.end());
    out->insert(out->end(), nonce, nonce + sizeof(nonce));
    stream_ = std::make_unique<StreamEncryptor>(crypto_, payloadKey);
    stream_->SetThreads(threads_);
    return AgeStatus::kOk;
}

AgeStatus AgeFileEncryptor::BeginForRecipients(const std::vector<Recipient>& recipients,
                                               std::vector<uint8_t>* out) {
    if (recipients.empty()) return AgeStatus::kBadKeyFormat;
    FileKey fileKey;
    if (!crypto_.RandomBytes(fileKey.data(), kFileKeySize)) return AgeStatus::kCryptoFailed;
    std::vector<Stanza> stanzas(recipients.size());
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        const AgeStatus status = WrapX25519(crypto_, fileKey, recipients[i], &stanzas[i]);
        if (status != AgeStatus::kOk) return status;
    }
    return Begin(stanzas, fileKey, out);
}

AgeStatus AgeFileEncryptor::BeginForPassword(const SecretString& password, unsigned workFactor,
                                             std::vector<uint8_t>* out) {
    FileKey fileKey;
    if (!crypto_.RandomBytes(fileKey.data(), kFileKeySize)) return AgeStatus::kCryptoFailed;
    std::vector<Stanza> stanzas(1);
    const AgeStatus status = WrapScrypt(crypto_, fileKey, password, workFactor, &stanzas[0]);
    return status != AgeStatus::kOk ? status : Begin(stanzas, fileKey, out);
}

AgeStatus AgeFileEncryptor::Update(const uint8_t* data, std::size_t size,
                                   std::vector<uint8_t>* out) {
    return stream_ ? stream_->Update(data, size, out) : AgeStatus::kCryptoFailed;
}

AgeStatus AgeFileEncryptor::Finish(std::vector<uint8_t>* out) {
    return stream_ ? stream_->Finish(out) : AgeStatus::kCryptoFailed;
}

AgeStatus AgeFileDecryptor::ReadHeader(std::vector<uint8_t>* out) {
    Header header;
    AgeStatus status = ParseHeader(head_.data(), head_.size(), &header);
    if (status != AgeStatus::kOk) return status;
    // The payload nonce follows the header; wait for it as for the header.
    if (head_.size() - header.size < kPayloadNonceSize) {
        return head_.size() >= kMaxHeaderSize ? AgeStatus::kDamaged : AgeStatus::kIncomplete;
    }
    FileKey fileKey;
    status = UnwrapFileKey(crypto_, header.stanzas, unlockers_, &fileKey);
    if (status != AgeStatus::kOk) return status;
    uint8_t mac[kMacSize];
    if (!HeaderMac(crypto_, fileKey, head_.data(), header.macInputSize, mac)) {
        return AgeStatus::kCryptoFailed;
    }
    if (!ConstantTimeEqual(mac, header.mac, kMacSize)) return AgeStatus::kDamaged;
    SecretBytes<kKeySize> payloadKey;
    if (!PayloadKey(crypto_, fileKey, head_.data() + header.size, &payloadKey)) {
        return AgeStatus::kCryptoFailed;
    }
    stream_ = std::make_unique<StreamDecryptor>(crypto_, payloadKey);
    stream_->SetThreads(threads_);
    const std::size_t start = header.size + kPayloadNonceSize;
    status = stream_->Update(head_.data() + start, head_.size() - start, out);
    head_.clear();
    head_.shrink_to_fit();
    return status;
}

AgeStatus AgeFileDecryptor::Update(const uint8_t* data, std::size_t size,
                                   std::vector<uint8_t>* out) {
    if (failed_ != AgeStatus::kOk) return failed_;
    AgeStatus status;
    if (stream_) {
        status = stream_->Update(data, size, out);
    } else {
        // Keep no more than the header can need, so that a huge input fails fast.
        const std::size_t room = kMaxHeaderSize + kPayloadNonceSize - head_.size();
        head_.insert(head_.end(), data, data + (size < room ? size : room));
        status = ReadHeader(out);
        if (status == AgeStatus::kOk && size > room) {
            status = stream_->Update(data + room, size - room, out);
        }
        if (status == AgeStatus::kIncomplete) return AgeStatus::kOk;
    }
    if (status != AgeStatus::kOk) failed_ = status;
    return status;
}

AgeStatus AgeFileDecryptor::Finish(std::vector<uint8_t>* out) {
    if (failed_ != AgeStatus::kOk) return failed_;
    // An empty or cut-off header, or no payload nonce, is damage.
    if (!stream_) return failed_ = AgeStatus::kDamaged;
    const AgeStatus status = stream_->Finish(out);
    if (status != AgeStatus::kOk) return failed_ = status;
    complete_ = true;
    return AgeStatus::kOk;
}

AgeStatus EncryptAge(AgeCrypto& crypto, const EncryptOptions& options, const uint8_t* data,
                     std::size_t size, std::vector<uint8_t>* out) {
    out->clear();
    std::vector<uint8_t> binary;
    AgeFileEncryptor encryptor(crypto);
    AgeStatus status =
        options.usePassword
            ? encryptor.BeginForPassword(options.password, options.workFactor, &binary)
            : encryptor.BeginForRecipients(options.recipients, &binary);
    if (status == AgeStatus::kOk) status = encryptor.Update(data, size, &binary);
    if (status == AgeStatus::kOk) status = encryptor.Finish(&binary);
    if (status != AgeStatus::kOk) return status;
    if (options.armor) {
        const std::string text = ArmorEncode(binary.data(), binary.size());
        out->assign(text.begin(), text.end());
    } else {
        *out = std::move(binary);
    }
    return AgeStatus::kOk;
}

AgeStatus DecryptAge(AgeCrypto& crypto, const Unlockers& unlockers, const uint8_t* data,
                     std::size_t size, std::vector<uint8_t>* out) {
    out->clear();
    std::vector<uint8_t> binary;
    if (LooksArmored(data, size)) {
        const AgeStatus status = ArmorDecode(data, size, &binary);
        if (status != AgeStatus::kOk) return status;
        data = binary.data();
        size = binary.size();
    }
    AgeFileDecryptor decryptor(crypto, unlockers);
    AgeStatus status = decryptor.Update(data, size, out);
    if (status == AgeStatus::kOk) status = decryptor.Finish(out);
    if (status != AgeStatus::kOk) SecureZero(*out);
    return status;
}

}  // namespace velmor::crypto::age

#include "zip/write/aes_entry_encryptor.h"

#include <algorithm>
#include <new>

namespace velmor::zip {

AesEntryInfo AesInfoForNewEntry(uint16_t method, uint64_t sourceSize) {
    return MakeAesEntryInfo(sourceSize < kAesVersion2Below ? kAesVersion2 : kAesVersion1,
                            kAesStrength256, method);
}

AesEntryEncryptor::AesEntryEncryptor(std::unique_ptr<AesBlockCipher> cipher,
                                     std::unique_ptr<HmacSha1> mac)
    : cipher_(std::move(cipher)), mac_(std::move(mac)), keystream_(*cipher_) {}

std::unique_ptr<AesEntryEncryptor> AesEntryEncryptor::Create(AesCrypto& crypto,
                                                             const std::string& password,
                                                             const AesEntryInfo& info,
                                                             const uint8_t* salt,
                                                             std::vector<uint8_t>* front) {
    WipedKeyBytes derived;
    if (!crypto.DerivePbkdf2Sha1(password, salt, info.saltSize, kAesPbkdf2Iterations,
                                 derived.data(), info.derivedSize())) {
        return nullptr;
    }
    const AesDerivedKeys keys = SplitDerivedKeys(info, derived.data());
    std::unique_ptr<AesBlockCipher> cipher = crypto.CreateBlockCipher(keys.aesKey, info.keySize);
    std::unique_ptr<HmacSha1> mac = crypto.CreateHmacSha1(keys.hmacKey, info.keySize);
    if (!cipher || !mac) return nullptr;
    front->assign(salt, salt + info.saltSize);
    front->insert(front->end(), keys.verifier, keys.verifier + kAesVerifierSize);
    return std::unique_ptr<AesEntryEncryptor>(
        new (std::nothrow) AesEntryEncryptor(std::move(cipher), std::move(mac)));
}

bool AesEntryEncryptor::Encrypt(uint8_t* data, uint32_t size) {
    return keystream_.Apply(data, size) && mac_->Update(data, size);
}

bool AesEntryEncryptor::Finish(uint8_t code[kAesAuthCodeSize]) {
    uint8_t digest[kSha1DigestSize];
    if (!mac_->Finish(digest)) return false;
    std::copy(digest, digest + kAesAuthCodeSize, code);
    return true;
}

}  // namespace velmor::zip

#include "recording_crypto_api.h"

#include <cstdio>

namespace velmor::crypto::test {
namespace {

std::string Hex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

std::string Num(unsigned long value) { return std::to_string(value); }

std::string Narrow(LPCWSTR text) {
    if (text == nullptr) return "null";
    std::string out;
    for (; *text; ++text) out += static_cast<char>(*text);
    return "\"" + out + "\"";
}

}  // namespace

RecordingCryptoApi::RecordingCryptoApi(std::wstring container) : container_(std::move(container)) {}

void RecordingCryptoApi::FailCall(const std::string& call, DWORD error, int occurrence) {
    failCall_ = call;
    failError_ = error;
    failOccurrence_ = occurrence;
    seen_ = 0;
}

std::vector<std::string> RecordingCryptoApi::CallsNamed(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& call : calls_)
        if (call.compare(0, prefix.size(), prefix) == 0) out.push_back(call);
    return out;
}

bool RecordingCryptoApi::Record(const std::string& call, const std::string& arguments) {
    calls_.push_back(call + "(" + arguments + ")");
    if (call != failCall_ || ++seen_ != failOccurrence_) return false;
    SetLastError(failError_);
    return true;
}

BOOL RecordingCryptoApi::Obtained(BOOL ok) {
    if (ok) ++openHandles_;
    return ok;
}

BOOL RecordingCryptoApi::AcquireContext(HCRYPTPROV* provider, LPCWSTR container,
                                        LPCWSTR providerName, DWORD providerType, DWORD flags) {
    if (Record("CryptAcquireContextW", Narrow(container) + "," + Narrow(providerName) + "," +
                                           Num(providerType) + "," + Hex(flags)))
        return FALSE;
    LPCWSTR name = container == nullptr ? container_.c_str() : container;
    return Obtained(CryptAcquireContextW(provider, name, providerName, providerType, flags));
}

BOOL RecordingCryptoApi::CreateHash(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTKEY key,
                                    DWORD flags, HCRYPTHASH* hash) {
    if (Record("CryptCreateHash", Hex(algorithm) + "," + Num(key) + "," + Hex(flags))) return FALSE;
    return Obtained(CryptCreateHash(provider, algorithm, key, flags, hash));
}

BOOL RecordingCryptoApi::HashData(HCRYPTHASH hash, const BYTE* data, DWORD length, DWORD flags) {
    if (Record("CryptHashData", Num(length) + "," + Hex(flags))) return FALSE;
    return CryptHashData(hash, data, length, flags);
}

BOOL RecordingCryptoApi::DeriveKey(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH hash,
                                   DWORD flags, HCRYPTKEY* key) {
    if (Record("CryptDeriveKey", Hex(algorithm) + "," + Hex(flags))) return FALSE;
    return Obtained(CryptDeriveKey(provider, algorithm, hash, flags, key));
}

BOOL RecordingCryptoApi::GenKey(HCRYPTPROV provider, ALG_ID algorithm, DWORD flags,
                                HCRYPTKEY* key) {
    if (Record("CryptGenKey", Hex(algorithm) + "," + Hex(flags))) return FALSE;
    return Obtained(CryptGenKey(provider, algorithm, flags, key));
}

BOOL RecordingCryptoApi::GetUserKey(HCRYPTPROV provider, DWORD keySpec, HCRYPTKEY* key) {
    if (Record("CryptGetUserKey", Num(keySpec))) return FALSE;
    return Obtained(CryptGetUserKey(provider, keySpec, key));
}

BOOL RecordingCryptoApi::ExportKey(HCRYPTKEY key, HCRYPTKEY exchangeKey, DWORD blobType,
                                   DWORD flags, BYTE* blob, DWORD* blobLength) {
    if (Record("CryptExportKey", std::string(exchangeKey ? "xkey" : "0") + "," + Num(blobType) +
                                     "," + Hex(flags) + "," + (blob ? "buffer" : "null")))
        return FALSE;
    return CryptExportKey(key, exchangeKey, blobType, flags, blob, blobLength);
}

BOOL RecordingCryptoApi::ImportKey(HCRYPTPROV provider, const BYTE* blob, DWORD blobLength,
                                   HCRYPTKEY publicKey, DWORD flags, HCRYPTKEY* key) {
    if (Record("CryptImportKey",
               Num(blobLength) + "," + (publicKey ? "xkey" : "0") + "," + Hex(flags)))
        return FALSE;
    return Obtained(CryptImportKey(provider, blob, blobLength, publicKey, flags, key));
}

BOOL RecordingCryptoApi::GetKeyParam(HCRYPTKEY key, DWORD param, BYTE* data, DWORD* dataLength,
                                     DWORD flags) {
    if (Record("CryptGetKeyParam", Num(param))) return FALSE;
    return CryptGetKeyParam(key, param, data, dataLength, flags);
}

BOOL RecordingCryptoApi::SetKeyParam(HCRYPTKEY key, DWORD param, const BYTE* data, DWORD flags) {
    std::string value = param == KP_EFFECTIVE_KEYLEN ? Num(*reinterpret_cast<const DWORD*>(data))
                                                     : std::string("data");
    if (Record("CryptSetKeyParam", Num(param) + "," + value + "," + Hex(flags))) return FALSE;
    return CryptSetKeyParam(key, param, data, flags);
}

BOOL RecordingCryptoApi::Encrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags,
                                 BYTE* data, DWORD* dataLength, DWORD bufferLength) {
    if (Record("CryptEncrypt", Num(hash) + "," + Num(final) + "," + Hex(flags) + "," +
                                   Num(*dataLength) + "," + Num(bufferLength)))
        return FALSE;
    return CryptEncrypt(key, hash, final, flags, data, dataLength, bufferLength);
}

BOOL RecordingCryptoApi::Decrypt(HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags,
                                 BYTE* data, DWORD* dataLength) {
    if (Record("CryptDecrypt",
               Num(hash) + "," + Num(final) + "," + Hex(flags) + "," + Num(*dataLength)))
        return FALSE;
    return CryptDecrypt(key, hash, final, flags, data, dataLength);
}

BOOL RecordingCryptoApi::DestroyKey(HCRYPTKEY key) {
    calls_.push_back("CryptDestroyKey()");
    --openHandles_;
    return CryptDestroyKey(key);
}

BOOL RecordingCryptoApi::DestroyHash(HCRYPTHASH hash) {
    calls_.push_back("CryptDestroyHash()");
    --openHandles_;
    return CryptDestroyHash(hash);
}

BOOL RecordingCryptoApi::ReleaseContext(HCRYPTPROV provider, DWORD flags) {
    calls_.push_back("CryptReleaseContext(" + Hex(flags) + ")");
    --openHandles_;
    return CryptReleaseContext(provider, flags);
}

}  // namespace velmor::crypto::test

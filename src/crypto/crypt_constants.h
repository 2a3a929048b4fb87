// Fixed parameters of the file encryption: provider, key sizes, chunking,
// the limits of the component's text fields. Its failure code is the
// library's kResultCryptFailed (base/result_code.h).
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>
#include <cstdint>

#include "base/result_code.h"

namespace velmor::crypto {

inline constexpr const wchar_t* kProviderName = L"Microsoft Base Cryptographic Provider v1.0";
inline constexpr DWORD kProviderType = PROV_RSA_FULL;

// Data key length and the cipher's effective key length, in bits.
inline constexpr DWORD kKeyBits = 40;

// Key flags: key length in the upper 16 bits, then CRYPT_NO_SALT and
// CRYPT_EXPORTABLE as each use needs them.
inline constexpr DWORD kDeriveFlagsEncrypt =
    (kKeyBits << 16) | CRYPT_NO_SALT | CRYPT_EXPORTABLE;                        // 0x00280011
inline constexpr DWORD kDeriveFlagsDecrypt = (kKeyBits << 16) | CRYPT_NO_SALT;  // 0x00280010
inline constexpr DWORD kDataKeyFlags = (kKeyBits << 16) | CRYPT_EXPORTABLE;     // 0x00280001
// The user's RSA key-exchange pair: length field 0 lets the provider pick its
// default modulus. A 40-bit RSA key does not exist; the provider refuses it.
inline constexpr DWORD kExchangeKeyFlags = 0;

// Plain text goes through the cipher in chunks of kChunkLength bytes; the
// buffer leaves room for the padding block the final chunk grows by.
inline constexpr DWORD kChunkLength = 1000;
inline constexpr DWORD kBufferLength = 1064;
// The progress sink hears of the input at least every this many bytes.
inline constexpr int64_t kProgressStep = 64 * 1024;

// A SIMPLEBLOB is a 12-byte header plus one RSA modulus; the largest modulus
// the provider makes is 16384 bits. Anything longer is not a key blob.
inline constexpr DWORD kMaxKeyBlobLength = 12 + 16384 / 8;

// Text fields of the component, in UTF-16 units without the terminator.
inline constexpr std::size_t kMaxPathChars = 259;
inline constexpr std::size_t kMaxPasswordChars = 127;
inline constexpr std::size_t kMaxErrorTextChars = 255;

}  // namespace velmor::crypto

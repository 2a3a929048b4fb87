#include "crypto/orv_crypto.h"

#include "crypto/crypt_constants.h"
#include "module/bstr_util.h"
#include "module/resource.h"
#include "module/result_codes.h"

namespace velmor {

STDMETHODIMP COrvCrypto::ErrDescription(long ErrCode, BSTR* result) {
  if (!result) return E_POINTER;
  try {
    // Only this component's own failure code has a description of its own.
    if (ErrCode == crypto::kResultCryptFailed) return ReturnBstr(cryptor_.lastErrorText(), result);
    return ReturnBstr(LoadMessage(IDS_UNKNOWN_ERROR), result);
  } catch (...) {
    *result = nullptr;
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP COrvCrypto::SetCryptPassword(BSTR password) {
  try {
    cryptor_.SetPassword(BstrToWString(password));
  } catch (...) {
    // Nothing to report through this method; the previous password stays.
  }
  return S_OK;
}

STDMETHODIMP COrvCrypto::EncryptFile(BSTR scrFile, BSTR cryptFile, long* result) {
  if (!result) return E_POINTER;
  try {
    *result = cryptor_.EncryptFile(BstrToWString(scrFile), BstrToWString(cryptFile));
  } catch (...) {
    *result = crypto::kResultCryptFailed;
  }
  return S_OK;
}

STDMETHODIMP COrvCrypto::DecryptFile(BSTR cryptFile, BSTR decryptFile, long* result) {
  if (!result) return E_POINTER;
  try {
    *result = cryptor_.DecryptFile(BstrToWString(cryptFile), BstrToWString(decryptFile));
  } catch (...) {
    *result = crypto::kResultCryptFailed;
  }
  return S_OK;
}

}  // namespace velmor

#include "crypto/orv_crypto.h"

#include "base/win/string_resource.h"
#include "base/result_code.h"
#include "module/bstr_util.h"
#include "module/com_call.h"
#include "module/resource.h"

namespace velmor {

STDMETHODIMP COrvCrypto::ErrDescription(long ErrCode, BSTR* result) {
    return TextCall(result, [&] {
        // Only this component's own failure code has a description of its own.
        if (ErrCode == kResultCryptFailed) return cryptor_.lastErrorText();
        return LoadResourceString(IDS_UNKNOWN_ERROR);
    });
}

STDMETHODIMP COrvCrypto::SetCryptPassword(BSTR password) {
    // When it fails, the previous password stays.
    return ActionCall([&] { cryptor_.SetPassword(BstrToWString(password)); });
}

STDMETHODIMP COrvCrypto::EncryptFile(BSTR scrFile, BSTR cryptFile, long* result) {
    return ResultCall(result, kResultCryptFailed, [&] {
        return cryptor_.EncryptFile(BstrToWString(scrFile), BstrToWString(cryptFile));
    });
}

STDMETHODIMP COrvCrypto::DecryptFile(BSTR cryptFile, BSTR decryptFile, long* result) {
    return ResultCall(result, kResultCryptFailed, [&] {
        return cryptor_.DecryptFile(BstrToWString(cryptFile), BstrToWString(decryptFile));
    });
}

}  // namespace velmor

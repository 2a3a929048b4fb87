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

STDMETHODIMP COrvCrypto::get_Format(long*) { return E_NOTIMPL; }
STDMETHODIMP COrvCrypto::put_Format(long) { return E_NOTIMPL; }
STDMETHODIMP COrvCrypto::SetRecipients(BSTR, long*) { return E_NOTIMPL; }
STDMETHODIMP COrvCrypto::SetIdentities(BSTR, long*) { return E_NOTIMPL; }
STDMETHODIMP COrvCrypto::get_UserRecipient(BSTR*) { return E_NOTIMPL; }
STDMETHODIMP COrvCrypto::get_Armor(VARIANT_BOOL*) { return E_NOTIMPL; }
STDMETHODIMP COrvCrypto::put_Armor(VARIANT_BOOL) { return E_NOTIMPL; }
STDMETHODIMP COrvCrypto::EncryptString(BSTR, BSTR*) { return E_NOTIMPL; }
STDMETHODIMP COrvCrypto::DecryptString(BSTR, BSTR*) { return E_NOTIMPL; }
STDMETHODIMP COrvCrypto::get_LastResult(long*) { return E_NOTIMPL; }
STDMETHODIMP COrvCrypto::put_OnProgress(VARIANT handler) { return events().PutHandler(handler); }
STDMETHODIMP COrvCrypto::putref_OnProgress(IDispatch* handler) {
    return events().PutHandlerRef(handler);
}

}  // namespace velmor

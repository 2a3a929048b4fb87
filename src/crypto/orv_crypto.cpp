#include "crypto/orv_crypto.h"

#include "base/result_code.h"
#include "base/win/string_resource.h"
#include "module/bstr_util.h"
#include "module/com_call.h"
#include "module/resource.h"
#include "module/result_codes.h"

namespace velmor {

template <class Body>
HRESULT COrvCrypto::RunJob(long* result, Body&& body) {
    if (!result) return E_POINTER;
    long outcome = kResultCryptFailed;
    const HRESULT hr = events().busy() ? S_OK : ResultCall(&outcome, kResultCryptFailed, body);
    lastResult_ = outcome;
    *result = outcome;
    return hr;
}

STDMETHODIMP COrvCrypto::ErrDescription(long ErrCode, BSTR* result) {
    return TextCall(result, [&] {
        // The failure code keeps the description of its last failure; the age codes have
        // the library's texts.
        switch (ErrCode) {
            case kResultCryptFailed:
                return cryptor_.lastErrorText();
            case kResultNoMatchingKey:
            case kResultDamaged:
            case kResultBadKeyFormat:
                return DescribeResultCode(ErrCode);
            default:
                return LoadResourceString(IDS_UNKNOWN_ERROR);
        }
    });
}

STDMETHODIMP COrvCrypto::SetCryptPassword(BSTR password) {
    // When it fails, the previous password stays.
    return ActionCall([&] { cryptor_.SetPassword(BstrToWString(password)); });
}

STDMETHODIMP COrvCrypto::EncryptFile(BSTR scrFile, BSTR cryptFile, long* result) {
    return RunJob(result, [&] {
        ProgressEvents progress(events());
        return cryptor_.EncryptFile(BstrToWString(scrFile), BstrToWString(cryptFile), &progress);
    });
}

STDMETHODIMP COrvCrypto::DecryptFile(BSTR cryptFile, BSTR decryptFile, long* result) {
    return RunJob(result, [&] {
        ProgressEvents progress(events());
        return cryptor_.DecryptFile(BstrToWString(cryptFile), BstrToWString(decryptFile),
                                    &progress);
    });
}

STDMETHODIMP COrvCrypto::get_Format(long* value) {
    if (!value) return E_POINTER;
    *value = static_cast<long>(cryptor_.format());
    return S_OK;
}

STDMETHODIMP COrvCrypto::put_Format(long value) {
    if (value != static_cast<long>(crypto::CryptFormat::kLegacy) &&
        value != static_cast<long>(crypto::CryptFormat::kAge)) {
        return E_INVALIDARG;
    }
    cryptor_.SetFormat(static_cast<crypto::CryptFormat>(value));
    return S_OK;
}

STDMETHODIMP COrvCrypto::SetRecipients(BSTR recipients, long* result) {
    return ResultCall(result, kResultBadKeyFormat,
                      [&] { return cryptor_.SetRecipients(BstrToWString(recipients)); });
}

STDMETHODIMP COrvCrypto::SetIdentities(BSTR identities, long* result) {
    return ResultCall(result, kResultBadKeyFormat,
                      [&] { return cryptor_.SetIdentities(BstrToWString(identities)); });
}

STDMETHODIMP COrvCrypto::get_UserRecipient(BSTR* recipient) {
    return QuietTextCall(recipient, [&] { return cryptor_.UserRecipient(); });
}

STDMETHODIMP COrvCrypto::get_Armor(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = cryptor_.armor() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP COrvCrypto::put_Armor(VARIANT_BOOL value) {
    cryptor_.SetArmor(value != VARIANT_FALSE);
    return S_OK;
}

STDMETHODIMP COrvCrypto::EncryptString(BSTR text, BSTR* armored) {
    lastResult_ = kResultCryptFailed;
    return QuietTextCall(armored,
                         [&] { return cryptor_.EncryptString(BstrToWString(text), &lastResult_); });
}

STDMETHODIMP COrvCrypto::DecryptString(BSTR armored, BSTR* text) {
    lastResult_ = kResultCryptFailed;
    return QuietTextCall(
        text, [&] { return cryptor_.DecryptString(BstrToWString(armored), &lastResult_); });
}

STDMETHODIMP COrvCrypto::get_LastResult(long* value) {
    if (!value) return E_POINTER;
    *value = lastResult_;
    return S_OK;
}

STDMETHODIMP COrvCrypto::put_OnProgress(VARIANT handler) { return events().PutHandler(handler); }
STDMETHODIMP COrvCrypto::putref_OnProgress(IDispatch* handler) {
    return events().PutHandlerRef(handler);
}

}  // namespace velmor

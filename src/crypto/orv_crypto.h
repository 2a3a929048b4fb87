// OrvCrypto: encrypts a file into another and decrypts it back.
// A thin adapter: the work is done by crypto::FileCryptor.
#pragma once
#include "VelmorCOM_h.h"
#include "crypto/file_cryptor.h"
#include "module/event_component.h"

namespace velmor {

class COrvCrypto : public EventComponent<IOrvCrypto2, &IID_IOrvCrypto2, &CLSID_OrvCrypto,
                                         &DIID__IOrvCryptoEvents, &IID_IOrvCrypto> {
public:
    STDMETHODIMP ErrDescription(long ErrCode, BSTR* result) override;
    STDMETHODIMP SetCryptPassword(BSTR password) override;
    // EncryptFile and DecryptFile are also names of Win32 macros; both spellings agree here.
    STDMETHODIMP EncryptFile(BSTR scrFile, BSTR cryptFile, long* result) override;
    STDMETHODIMP DecryptFile(BSTR cryptFile, BSTR decryptFile, long* result) override;

    STDMETHODIMP get_Format(long* value) override;
    STDMETHODIMP put_Format(long value) override;
    STDMETHODIMP SetRecipients(BSTR recipients, long* result) override;
    STDMETHODIMP SetIdentities(BSTR identities, long* result) override;
    STDMETHODIMP get_UserRecipient(BSTR* recipient) override;
    STDMETHODIMP get_Armor(VARIANT_BOOL* value) override;
    STDMETHODIMP put_Armor(VARIANT_BOOL value) override;
    STDMETHODIMP EncryptString(BSTR text, BSTR* armored) override;
    STDMETHODIMP DecryptString(BSTR armored, BSTR* text) override;
    STDMETHODIMP get_LastResult(long* value) override;
    STDMETHODIMP put_OnProgress(VARIANT handler) override;
    STDMETHODIMP putref_OnProgress(IDispatch* handler) override;

private:
    // A file job: its result also becomes LastResult; refused while a handler of this object
    // runs.
    template <class Body>
    HRESULT RunJob(long* result, Body&& body);

    crypto::FileCryptor cryptor_;
    long lastResult_ = 0;
};

}  // namespace velmor

// OrvCrypto: encrypts a file into another and decrypts it back.
// A thin adapter: the work is done by crypto::FileCryptor.
#pragma once
#include "VelmorCOM_h.h"
#include "crypto/file_cryptor.h"
#include "module/dispatch_component.h"

namespace velmor {

class COrvCrypto : public DispatchComponent<IOrvCrypto, &IID_IOrvCrypto> {
public:
    STDMETHODIMP ErrDescription(long ErrCode, BSTR* result) override;
    STDMETHODIMP SetCryptPassword(BSTR password) override;
    // EncryptFile and DecryptFile are also names of Win32 macros; both spellings agree here.
    STDMETHODIMP EncryptFile(BSTR scrFile, BSTR cryptFile, long* result) override;
    STDMETHODIMP DecryptFile(BSTR cryptFile, BSTR decryptFile, long* result) override;

private:
    crypto::FileCryptor cryptor_;
};

}  // namespace velmor

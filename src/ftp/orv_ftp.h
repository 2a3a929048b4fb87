// OrvFtp: one session (FTP, FTP over TLS or SFTP) shared by every object, and
// downloads and uploads with a progress window.
#pragma once
#include "VelmorCOM_h.h"
#include "module/dispatch_component.h"

namespace velmor {

class COrvFtp : public DispatchComponent<IOrvFtp2, &IID_IOrvFtp2, &IID_IOrvFtp> {
public:
    STDMETHODIMP SetProxy(BSTR proxyName, BSTR login, BSTR password) override;
    STDMETHODIMP OpenSession(long* result) override;
    STDMETHODIMP CloseSession() override;
    STDMETHODIMP GetFile(BSTR localFile, BSTR remoteFile, long* result) override;
    STDMETHODIMP SetCurDir(BSTR path, long* result) override;
    // DeleteFile, CreateDirectory and RemoveDirectory are also names of Win32 macros; both
    // spellings agree here.
    STDMETHODIMP DeleteFile(BSTR fileName, long* result) override;
    STDMETHODIMP PutFile(BSTR localFile, BSTR remoteFile, long* result) override;
    STDMETHODIMP CreateDirectory(BSTR path, long* result) override;
    STDMETHODIMP FileExists(BSTR file, long* result) override;
    STDMETHODIMP ErrDescription(long ErrCode, BSTR* result) override;
    STDMETHODIMP Connect(BSTR server, BSTR userName, BSTR password, long* result) override;

    STDMETHODIMP get_LastResult(long* result) override;
    STDMETHODIMP ListDirectory(BSTR path, BSTR* entries) override;
    STDMETHODIMP RenameFile(BSTR from, BSTR to, long* result) override;
    STDMETHODIMP RemoveDirectory(BSTR path, long* result) override;
    STDMETHODIMP SetPrivateKey(BSTR keyFile, BSTR passphrase, long* result) override;
    STDMETHODIMP get_HostKeyFingerprint(BSTR* fingerprint) override;

private:
    // A method with a result code, which LastResult keeps.
    template <class Body>
    HRESULT Recorded(long* result, Body&& body) noexcept;

    long lastResult_ = 0;
};

}  // namespace velmor

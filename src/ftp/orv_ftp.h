// OrvFtp: one FTP session shared by every object, and downloads and uploads
// with a progress window.
#pragma once
#include "VelmorCOM_h.h"
#include "module/dispatch_component.h"

namespace velmor {

class COrvFtp : public DispatchComponent<IOrvFtp, &IID_IOrvFtp> {
public:
    STDMETHODIMP SetProxy(BSTR proxyName, BSTR login, BSTR password) override;
    STDMETHODIMP OpenSession(long* result) override;
    STDMETHODIMP CloseSession() override;
    STDMETHODIMP GetFile(BSTR localFile, BSTR remoteFile, long* result) override;
    STDMETHODIMP SetCurDir(BSTR path, long* result) override;
    // DeleteFile and CreateDirectory are also names of Win32 macros; both spellings agree here.
    STDMETHODIMP DeleteFile(BSTR fileName, long* result) override;
    STDMETHODIMP PutFile(BSTR localFile, BSTR remoteFile, long* result) override;
    STDMETHODIMP CreateDirectory(BSTR path, long* result) override;
    STDMETHODIMP FileExists(BSTR file, long* result) override;
    STDMETHODIMP ErrDescription(long ErrCode, BSTR* result) override;
    STDMETHODIMP Connect(BSTR server, BSTR userName, BSTR password, long* result) override;
};

}  // namespace velmor

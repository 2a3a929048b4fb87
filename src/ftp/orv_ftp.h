// OrvFtp: one FTP or SFTP session shared by every object, downloads and uploads with a progress
// window or progress events, and remote listings.
#pragma once
#include <string>

#include "VelmorCOM_h.h"
#include "ftp/transfer_options.h"
#include "module/event_component.h"

namespace velmor {

class COrvFtp : public EventComponent<IOrvFtp3, &IID_IOrvFtp3, &CLSID_OrvFtp, &DIID__IOrvFtpEvents,
                                      &IID_IOrvFtp2, &IID_IOrvFtp> {
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

    STDMETHODIMP get_ShowProgressWindow(VARIANT_BOOL* value) override;
    STDMETHODIMP put_ShowProgressWindow(VARIANT_BOOL value) override;
    STDMETHODIMP put_OnProgress(VARIANT handler) override;
    STDMETHODIMP putref_OnProgress(IDispatch* handler) override;
    STDMETHODIMP get_LastResult(long* value) override;
    STDMETHODIMP ListDirectory(BSTR path, BSTR* entries) override;
    STDMETHODIMP RenameFile(BSTR from, BSTR to, long* result) override;
    STDMETHODIMP RemoveDirectory(BSTR path, long* result) override;
    STDMETHODIMP SetPrivateKey(BSTR keyFile, BSTR passphrase, long* result) override;
    STDMETHODIMP get_HostKeyFingerprint(BSTR* fingerprint) override;

    STDMETHODIMP GetFiles(BSTR remotePath, BSTR localFolder, long flags, long* result) override;
    STDMETHODIMP PutFiles(BSTR localPath, BSTR remoteFolder, long flags, long* result) override;
    STDMETHODIMP get_TransferredFiles(BSTR* files) override;
    STDMETHODIMP get_Resume(VARIANT_BOOL* value) override;
    STDMETHODIMP put_Resume(VARIANT_BOOL value) override;
    STDMETHODIMP get_PreserveTime(VARIANT_BOOL* value) override;
    STDMETHODIMP put_PreserveTime(VARIANT_BOOL value) override;
    STDMETHODIMP get_SpeedLimit(long* value) override;
    STDMETHODIMP put_SpeedLimit(long value) override;

private:
    // Runs a method's work, keeps its result as LastResult and hands it out. A call made
    // from inside the object's own event handler gives kResultGeneralError at once and
    // leaves the running transfer alone.
    template <class Body>
    HRESULT Run(long* result, Body&& body);
    // GetFiles and PutFiles, `move` being the file set's method of that name; TransferredFiles
    // keeps what it moved.
    template <class Move>
    HRESULT RunFileSet(BSTR from, BSTR to, long flags, long* result, Move move);

    bool showWindow_ = true;
    long lastResult_ = 0;
    // Resume, PreserveTime and SpeedLimit: the object's own, unlike the session.
    ftp::TransferOptions options_;
    // The files the last GetFiles or PutFiles moved whole, each line ending in CR LF.
    std::wstring transferred_;
};

}  // namespace velmor

#include "ftp/orv_ftp.h"

#include <new>

#include "ftp/ftp_context.h"
#include "ftp/ftp_download.h"
#include "ftp/ftp_session.h"
#include "ftp/ftp_upload.h"
#include "ftp/local_file.h"
#include "ftp/progress_window.h"
#include "ftp/wininet_api.h"
#include "module/bstr_util.h"
#include "module/module.h"
#include "module/result_codes.h"

namespace velmor {
namespace {

// The real platform behind the process-wide FTP state; like the state itself,
// it lives as long as the process.
struct FtpPlatform {
  ftp::WinInetApi api;
  ftp::Win32LocalFiles files;
};

FtpPlatform& Platform() {
  static FtpPlatform* const platform = new FtpPlatform();
  return *platform;
}

// One engine call: the shared context, the real WinINet and the progress
// window over this library's dialog resource.
struct FtpCall {
  ftp::FtpContext& context = ftp::FtpContext::Process();
  ftp::ProgressWindow window{context, ModuleInstance()};
  ftp::FtpSession session{context, Platform().api, window};
};

// An open session must survive every object and any attempt to unload the
// library while the host still relies on it, so the library stays loaded.
void PinLibrary() {
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
      reinterpret_cast<LPCWSTR>(&Platform), &self);
}

// Runs a method body; no exception leaves the interface.
template <typename Body>
HRESULT Guarded(Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace

STDMETHODIMP COrvFtp::SetProxy(BSTR proxyName, BSTR login, BSTR password) {
  return Guarded([&] {
    FtpCall().session.SetProxy(BstrToWString(proxyName), BstrToWString(login),
                               BstrToWString(password));
    return S_OK;
  });
}

STDMETHODIMP COrvFtp::OpenSession(long* result) {
  if (!result) return E_POINTER;
  return Guarded([&] {
    *result = FtpCall().session.OpenSession();
    if (*result == ftp::kResultOk) PinLibrary();
    return S_OK;
  });
}

STDMETHODIMP COrvFtp::CloseSession() {
  return Guarded([&] {
    FtpCall().session.CloseSession();
    return S_OK;
  });
}

STDMETHODIMP COrvFtp::GetFile(BSTR localFile, BSTR remoteFile, long* result) {
  if (!result) return E_POINTER;
  return Guarded([&] {
    FtpCall call;
    ftp::FtpDownload download(call.context, Platform().api, call.window,
                              Platform().files, ftp::kChunkPauseMs);
    *result = download.GetFile(BstrToWString(localFile),
                               BstrToWString(remoteFile));
    return S_OK;
  });
}

STDMETHODIMP COrvFtp::SetCurDir(BSTR path, long* result) {
  if (!result) return E_POINTER;
  return Guarded([&] {
    *result = FtpCall().session.SetCurDir(BstrToWString(path));
    return S_OK;
  });
}

STDMETHODIMP COrvFtp::DeleteFile(BSTR fileName, long* result) {
  if (!result) return E_POINTER;
  return Guarded([&] {
    *result = FtpCall().session.DeleteFile(BstrToWString(fileName));
    return S_OK;
  });
}

STDMETHODIMP COrvFtp::PutFile(BSTR localFile, BSTR remoteFile, long* result) {
  if (!result) return E_POINTER;
  return Guarded([&] {
    FtpCall call;
    ftp::FtpUpload upload(call.context, Platform().api, call.window,
                          Platform().files);
    *result = upload.PutFile(BstrToWString(localFile),
                             BstrToWString(remoteFile));
    return S_OK;
  });
}

STDMETHODIMP COrvFtp::CreateDirectory(BSTR path, long* result) {
  if (!result) return E_POINTER;
  return Guarded([&] {
    *result = FtpCall().session.CreateDirectory(BstrToWString(path));
    return S_OK;
  });
}

STDMETHODIMP COrvFtp::FileExists(BSTR file, long* result) {
  if (!result) return E_POINTER;
  return Guarded([&] {
    *result = FtpCall().session.FileExists(BstrToWString(file));
    return S_OK;
  });
}

STDMETHODIMP COrvFtp::ErrDescription(long ErrCode, BSTR* result) {
  return SharedErrDescription(ErrCode, result);
}

STDMETHODIMP COrvFtp::Connect(BSTR server, BSTR userName, BSTR password,
                              long* result) {
  if (!result) return E_POINTER;
  return Guarded([&] {
    *result = FtpCall().session.Connect(BstrToWString(server),
                                        BstrToWString(userName),
                                        BstrToWString(password));
    return S_OK;
  });
}

}  // namespace velmor

// Session, login and remote directory operations on the shared FtpContext.
#pragma once

#include <string>

#include "ftp/ftp_api.h"
#include "ftp/ftp_context.h"
#include "ftp/progress_view.h"

namespace velmor::ftp {

class FtpSession {
 public:
  FtpSession(FtpContext& context, FtpApi& api, ProgressView& view)
      : context_(context), api_(api), view_(view) {}

  void SetProxy(const std::wstring& proxyName, const std::wstring& login,
                const std::wstring& password);
  long OpenSession();
  long Connect(const std::wstring& server, const std::wstring& userName,
               const std::wstring& password);
  long SetCurDir(const std::wstring& path);
  long DeleteFile(const std::wstring& fileName);
  long CreateDirectory(const std::wstring& path);
  long FileExists(const std::wstring& file);
  void CloseSession();

 private:
  template <typename Operation>
  long RemoteOperation(const std::wstring& path, Operation operation);

  FtpContext& context_;
  FtpApi& api_;
  ProgressView& view_;
};

}  // namespace velmor::ftp

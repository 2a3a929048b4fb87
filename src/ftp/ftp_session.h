// Session, login and remote directory operations on the shared FtpContext.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ftp/certificate_pin.h"

#include "ftp/ftp_api.h"
#include "ftp/ftp_context.h"
#include "ftp/progress_view.h"

namespace velmor::ftp {

// Makes the client of one connection over TLS, checking the server's
// certificate against the pin when there is one.
using TlsApiFactory =
    std::function<std::shared_ptr<FtpApi>(const std::optional<CertificatePin>& pin)>;

class FtpSession {
public:
    // Without a factory, a server text that asks for TLS gives 100.
    FtpSession(FtpContext& context, FtpApi& api, ProgressView& view, TlsApiFactory tls = nullptr)
        : context_(context), api_(api), view_(view), tls_(std::move(tls)) {}

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
    TlsApiFactory tls_;
};

}  // namespace velmor::ftp

// The owner of one WinINet handle, closed through the FtpApi that made it (none: not closed).
#pragma once

#include "base/unique_resource.h"
#include "base/win/last_error.h"
#include "ftp/ftp_api.h"

namespace velmor::ftp {

struct FtpApiHandleTraits {
    using type = HINTERNET;
    using close_guard = LastErrorKeeper;

    FtpApiHandleTraits(FtpApi* owner = nullptr) noexcept : api(owner) {}  // NOLINT: implicit
    static type invalid() noexcept { return nullptr; }
    void close(type handle) const noexcept {
        if (api != nullptr) api->CloseHandle(handle);
    }

    FtpApi* api;
};

using InternetHandle = UniqueResource<FtpApiHandleTraits>;

}  // namespace velmor::ftp

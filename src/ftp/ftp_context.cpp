#include "ftp/ftp_context.h"

#include "ftp/ftp_constants.h"

namespace velmor::ftp {

void FtpContext::BeginTransfer() {
    if (chunkSize == 0) chunkSize = kChunkSize;  // it stays so from then on
    cancelFlag = 0;
}

std::shared_ptr<FtpApi> FtpContext::ConnectionApi(FtpApi& fallback) const {
    FtpApi* api = connectionHandle.traits().api;
    if (tlsApi && api == tlsApi.get()) return tlsApi;
    if (api == nullptr) api = &fallback;
    // WinINet's seam outlives the connection: a pointer that owns nothing.
    return std::shared_ptr<FtpApi>(std::shared_ptr<FtpApi>(), api);
}

void FtpContext::Disconnect() {
    connectionHandle.reset();
    tlsApi.reset();
}

FtpContext& FtpContext::Process() {
    static FtpContext* const instance = new FtpContext();
    return *instance;
}

}  // namespace velmor::ftp

#include "ftp/ftp_context.h"

#include "ftp/ftp_constants.h"

namespace velmor::ftp {

void FtpContext::BeginTransfer() {
    if (chunkSize == 0) chunkSize = kChunkSize;  // it stays so from then on
    cancelFlag = 0;
}

void FtpContext::Disconnect() {
    if (connection) connection->Close();
    connection.reset();
}

FtpContext& FtpContext::Process() {
    static FtpContext* const instance = new FtpContext();
    return *instance;
}

}  // namespace velmor::ftp

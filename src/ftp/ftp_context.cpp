#include "ftp/ftp_context.h"

namespace velmor::ftp {

FtpContext& FtpContext::Process() {
  static FtpContext* const instance = new FtpContext();
  return *instance;
}

}  // namespace velmor::ftp

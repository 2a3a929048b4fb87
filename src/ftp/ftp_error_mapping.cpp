#include "ftp/ftp_error_mapping.h"

#include <cwchar>

#include "ftp/ftp_constants.h"

namespace velmor::ftp {

long ResultForConnect(RemoteOutcome outcome) {
    switch (outcome) {
        case RemoteOutcome::kOk:
            return kResultOk;
        case RemoteOutcome::kNameNotResolved:
            return kResultServerNotFound;
        case RemoteOutcome::kWrongUser:
            return kResultWrongUserName;
        case RemoteOutcome::kWrongPassword:
            return kResultWrongPasswordOrUser;
        case RemoteOutcome::kLoginFailed:
            return kResultLoginFailed;
        case RemoteOutcome::kCertificate:
            return kResultCertificateRejected;
        case RemoteOutcome::kTlsRefused:
            return kResultTlsRefused;
        case RemoteOutcome::kHostKeyRejected:
            return kResultHostKeyRejected;
        case RemoteOutcome::kNotFound:
        case RemoteOutcome::kFailed:
        case RemoteOutcome::kRestartRefused:
            break;
    }
    return kResultGeneralError;
}

RemoteOutcome OutcomeForFtp(FtpOutcome outcome) {
    switch (outcome) {
        case FtpOutcome::kOk:
            return RemoteOutcome::kOk;
        case FtpOutcome::kNameNotResolved:
            return RemoteOutcome::kNameNotResolved;
        case FtpOutcome::kWrongUser:
            return RemoteOutcome::kWrongUser;
        case FtpOutcome::kWrongPassword:
            return RemoteOutcome::kWrongPassword;
        case FtpOutcome::kLoginFailed:
            return RemoteOutcome::kLoginFailed;
        case FtpOutcome::kCertificate:
            return RemoteOutcome::kCertificate;
        case FtpOutcome::kTlsRefused:
            return RemoteOutcome::kTlsRefused;
        case FtpOutcome::kNotFound:
            return RemoteOutcome::kNotFound;
        case FtpOutcome::kRestartRefused:
            return RemoteOutcome::kRestartRefused;
        case FtpOutcome::kConnectFailed:
        case FtpOutcome::kTimedOut:
        case FtpOutcome::kRefused:
        case FtpOutcome::kClosed:
        case FtpOutcome::kNotConnected:
        case FtpOutcome::kBadName:
        case FtpOutcome::kProtocolError:
        case FtpOutcome::kBusy:
            break;
    }
    return RemoteOutcome::kFailed;
}

bool IsErrorTextEntry(const WIN32_FIND_DATAW& entry) {
    const size_t length = wcsnlen(entry.cFileName, MAX_PATH);
    // A real file of a multiple of 4 GiB also has a zero low size word.
    return entry.nFileSizeLow == 0 && entry.nFileSizeHigh == 0 &&
           wmemchr(entry.cFileName, L':', length) != nullptr;
}

}  // namespace velmor::ftp

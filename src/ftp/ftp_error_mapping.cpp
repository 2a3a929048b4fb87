#include "ftp/ftp_error_mapping.h"

#include <wininet.h>

#include <cwchar>

#include "ftp/ftp_constants.h"

namespace velmor::ftp {

long MapConnectError(DWORD lastError) {
    switch (lastError) {
        case ERROR_INTERNET_NAME_NOT_RESOLVED:
            return kResultServerNotFound;
        case ERROR_INTERNET_INCORRECT_USER_NAME:
            return kResultWrongUserName;
        case ERROR_INTERNET_INCORRECT_PASSWORD:
            return kResultWrongPasswordOrUser;
        case ERROR_INTERNET_LOGIN_FAILURE:
            return kResultLoginFailed;
        case ERROR_INTERNET_SEC_INVALID_CERT:
            return kResultCertificateRejected;
        case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
            return kResultTlsRefused;
        default:
            return kResultGeneralError;
    }
}

DWORD LastErrorForOutcome(FtpOutcome outcome) {
    switch (outcome) {
        case FtpOutcome::kOk:
            return ERROR_SUCCESS;
        case FtpOutcome::kNameNotResolved:
            return ERROR_INTERNET_NAME_NOT_RESOLVED;
        case FtpOutcome::kWrongUser:
            return ERROR_INTERNET_INCORRECT_USER_NAME;
        case FtpOutcome::kWrongPassword:
            return ERROR_INTERNET_INCORRECT_PASSWORD;
        case FtpOutcome::kLoginFailed:
            return ERROR_INTERNET_LOGIN_FAILURE;
        case FtpOutcome::kCertificate:
            return ERROR_INTERNET_SEC_INVALID_CERT;
        case FtpOutcome::kTlsRefused:
            return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
        case FtpOutcome::kNotFound:
            return ERROR_NO_MORE_FILES;
        case FtpOutcome::kConnectFailed:
            return ERROR_INTERNET_CANNOT_CONNECT;
        case FtpOutcome::kTimedOut:
            return ERROR_INTERNET_TIMEOUT;
        case FtpOutcome::kRefused:
            return ERROR_INTERNET_EXTENDED_ERROR;
        case FtpOutcome::kClosed:
        case FtpOutcome::kNotConnected:
            return ERROR_INTERNET_CONNECTION_ABORTED;
        case FtpOutcome::kBadName:
            return ERROR_INVALID_NAME;
        case FtpOutcome::kProtocolError:
        case FtpOutcome::kBusy:
            break;
    }
    return ERROR_INTERNET_INTERNAL_ERROR;
}

bool IsErrorTextEntry(const WIN32_FIND_DATAW& entry) {
    const size_t length = wcsnlen(entry.cFileName, MAX_PATH);
    // A real file of a multiple of 4 GiB also has a zero low size word.
    return entry.nFileSizeLow == 0 && entry.nFileSizeHigh == 0 &&
           wmemchr(entry.cFileName, L':', length) != nullptr;
}

}  // namespace velmor::ftp

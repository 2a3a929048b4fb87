#include "module/result_codes.h"

#include "base/win/string_resource.h"
#include "module/bstr_util.h"
#include "module/com_call.h"
#include "module/resource.h"

namespace velmor {

UINT MessageIdForCode(long code) noexcept {
    switch (code) {
        case kResultRapiMissing:
            return IDS_RAPI_MISSING;
        case kResultAddError:
            return IDS_ARCHIVE_ADD_ERROR;
        case kResultCloseError:
            return IDS_ARCHIVE_CLOSE_ERROR;
        case kResultFileNamesError:
            return IDS_FILE_NAMES_ERROR;
        case kResultOpenArchiveError:
            return IDS_ARCHIVE_OPEN_ERROR;
        case kResultWrongPassword:
            return IDS_WRONG_PASSWORD;
        case kResultValueNotFound:
            return IDS_VALUE_NOT_FOUND;
        case kResultWrongArgType:
            return IDS_WRONG_ARG_TYPE;
        case kResultNoSession:
            return IDS_SESSION_NOT_OPEN;
        case kResultCancelled:
            return IDS_USER_CANCEL;
        case kResultNotConnected:
            return IDS_NOT_CONNECTED;
        case kResultWrongPasswordOrUser:
            return IDS_WRONG_LOGIN;
        case kResultWrongUserName:
            return IDS_WRONG_USER_NAME;
        case kResultLoginFailed:
            return IDS_INTERNET_ERROR;
        case kResultServerNotFound:
            return IDS_SERVER_NOT_FOUND;
        case kResultCertificateRejected:
            return IDS_CERTIFICATE_REJECTED;
        case kResultTlsRefused:
            return IDS_TLS_REFUSED;
        case kResultHostKeyRejected:
            return IDS_HOST_KEY_REJECTED;
        case kResultNoMatchingKey:
            return IDS_NO_MATCHING_KEY;
        case kResultDamaged:
            return IDS_ENCRYPTED_FILE_DAMAGED;
        case kResultBadKeyFormat:
            return IDS_BAD_KEY_FORMAT;
        case kResultGeneralError:
            return IDS_GENERAL_ERROR;
        default:
            return IDS_UNKNOWN_ERROR;
    }
}

std::wstring DescribeResultCode(long code) { return LoadResourceString(MessageIdForCode(code)); }

HRESULT SharedErrDescription(long code, BSTR* result) noexcept {
    return TextCall(result, [code] { return DescribeResultCode(code); });
}

}  // namespace velmor

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
    default:
      return kResultGeneralError;
  }
}

bool IsErrorTextEntry(const WIN32_FIND_DATAW& entry) {
  const size_t length = wcsnlen(entry.cFileName, MAX_PATH);
  // A real file of a multiple of 4 GiB also has a zero low size word.
  return entry.nFileSizeLow == 0 && entry.nFileSizeHigh == 0 &&
         wmemchr(entry.cFileName, L':', length) != nullptr;
}

}  // namespace velmor::ftp

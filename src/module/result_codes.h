// Result codes of the components and their message texts.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace velmor {

// Codes returned through the [out, retval] long of the methods that can fail.
enum ResultCodeValue : long {
  kResultOk = 0,
  kResultNotFound = 1,
  kResultLocalFileError = 6,
  kResultRapiMissing = 8,
  kResultPackError = 50,
  kResultAddError = 51,
  kResultCloseError = 52,
  kResultFileNamesError = 53,
  kResultOpenArchiveError = 54,
  kResultWrongPassword = 55,
  kResultCryptoError = 56,
  kResultValueNotFound = 57,
  kResultWrongArgType = 75,
  kResultNoSession = 76,
  kResultCancelled = 77,
  kResultNotConnected = 78,
  kResultWrongPasswordOrUser = 79,
  kResultWrongUserName = 80,
  kResultInternetError = 81,
  kResultServerNotFound = 82,
  kResultGeneralError = 100,
};

// The string-table id of the message for `code` (212 for codes without a message of their own).
UINT MessageIdForCode(long code) noexcept;
// The text of a string-table entry; empty when it cannot be loaded.
std::wstring LoadMessage(UINT id);
// The message text of a result code.
std::wstring DescribeResultCode(long code);
// The shared ErrDescription of OrvZip and OrvFtp.
HRESULT SharedErrDescription(long code, BSTR* result) noexcept;

}  // namespace velmor

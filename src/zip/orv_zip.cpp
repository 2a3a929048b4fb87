#include "zip/orv_zip.h"

#include <algorithm>
#include <new>

#include "module/bstr_util.h"
#include "module/result_codes.h"
#include "zip/pack.h"
#include "zip/unpack.h"

namespace velmor {

namespace {

HRESULT FailureFromException() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace

std::string COrvZip::EnginePassword() const {
  const auto end = std::find(password_.begin(), password_.end(), '\0');
  return std::string(password_.begin(), end);
}

STDMETHODIMP COrvZip::SetPassword(BSTR password) {
  try {
    password_.fill('\0');
    passwordTooLong_ = false;
    const std::wstring text = BstrToWString(password);
    if (text.empty()) return S_OK;
    // Bytes needed, terminator included; a password that does not fit is not cut.
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || static_cast<size_t>(needed) > kPasswordCapacity) {
      passwordTooLong_ = true;
      return S_OK;
    }
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, password_.data(), static_cast<int>(kPasswordCapacity),
                        nullptr, nullptr);
    return S_OK;
  } catch (...) {
    return FailureFromException();
  }
}

STDMETHODIMP COrvZip::Pack(BSTR archiveName, BSTR files, long* result) {
  if (!result) return E_POINTER;
  try {
    *result = kResultOk;
    if (passwordTooLong_) {
      *result = kResultPackError;  // the archive cannot be created with this password
      return S_OK;
    }
    *result = zip::PackFiles(BstrToWString(archiveName), BstrToWString(files), EnginePassword());
    return S_OK;
  } catch (...) {
    return FailureFromException();
  }
}

STDMETHODIMP COrvZip::Unpack(BSTR archiveName, BSTR extractPath, long* result) {
  if (!result) return E_POINTER;
  try {
    *result = kResultOk;
    const std::wstring folder = BstrToWString(extractPath);
    if (passwordTooLong_) {
      // The folder still becomes current, as for any archive that cannot be opened.
      zip::EnterExtractFolder(folder);
      *result = kResultOpenArchiveError;
      return S_OK;
    }
    *result = zip::UnpackArchive(BstrToWString(archiveName), folder, EnginePassword());
    return S_OK;
  } catch (...) {
    return FailureFromException();
  }
}

STDMETHODIMP COrvZip::ErrDescription(long ErrCode, BSTR* result) {
  if (!result) return E_POINTER;
  try {
    return SharedErrDescription(ErrCode, result);
  } catch (...) {
    return FailureFromException();
  }
}

}  // namespace velmor

#include "server/orv_server.h"

#include "module/bstr_util.h"

namespace velmor {
namespace {
HRESULT Empty(BSTR* result) {
  if (!result) return E_POINTER;
  return ReturnBstr(std::wstring(), result);
}
}  // namespace

STDMETHODIMP COrvServer::SetExchangeDir(BSTR) { return S_OK; }
STDMETHODIMP COrvServer::GetExchangeDir(BSTR* result) { return Empty(result); }
STDMETHODIMP COrvServer::GetPPCCount(long* result) {
  if (!result) return E_POINTER;
  *result = 0;
  return S_OK;
}
STDMETHODIMP COrvServer::GetPPCInfo(BSTR, BSTR* result) { return Empty(result); }
STDMETHODIMP COrvServer::EnableServer() { return S_OK; }
STDMETHODIMP COrvServer::ProcessDone(BSTR) { return S_OK; }
STDMETHODIMP COrvServer::DisableServer() { return S_OK; }
STDMETHODIMP COrvServer::GetFieldPPCInfo(BSTR, BSTR, BSTR* result) { return Empty(result); }
STDMETHODIMP COrvServer::AddPPCId(BSTR) { return S_OK; }
STDMETHODIMP COrvServer::ClearPPCId() { return S_OK; }
STDMETHODIMP COrvServer::GetPPCInfoByIndex(long, BSTR* result) { return Empty(result); }
STDMETHODIMP COrvServer::Version(BSTR* result) {
  if (!result) return E_POINTER;
  return ReturnBstr(L"1.65.0.0", result);
}

}  // namespace velmor

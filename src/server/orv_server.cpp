#include "server/orv_server.h"

#include "module/bstr_util.h"
#include "velmor_version.h"

namespace velmor {
namespace {

const wchar_t kVersion[] = VELMOR_VERSION_WTEXT;

using server::DeviceId;
using server::IsNilId;
using server::ParseDeviceId;

// An [out, retval] text; a string that cannot be allocated comes back null
// and the call still succeeds.
HRESULT Answer(const std::wstring& text, BSTR* result) {
    ReturnBstr(text, result);
    return S_OK;
}

}  // namespace

COrvServer::COrvServer() { server::SetCurrentServer(&engine_); }

COrvServer::~COrvServer() {
    // Neither this object's timer nor another object's may tick into the
    // engine once it is gone.
    timer_.Stop();
    server::ForgetCurrentServer(&engine_);
}

STDMETHODIMP COrvServer::SetExchangeDir(BSTR dir) {
    try {
        engine_.SetExchangeDir(BstrToWString(dir));
    } catch (...) {
    }
    return S_OK;
}

STDMETHODIMP COrvServer::GetExchangeDir(BSTR* result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    try {
        return Answer(engine_.ExchangeDir(), result);
    } catch (...) {
        return S_OK;
    }
}

STDMETHODIMP COrvServer::GetPPCCount(long* result) {
    if (!result) return E_POINTER;
    *result = engine_.GetPPCCount();
    return S_OK;
}

STDMETHODIMP COrvServer::GetPPCInfo(BSTR ppcId, BSTR* result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    try {
        const DeviceId id = ParseDeviceId(BstrToWString(ppcId));
        return Answer(IsNilId(id) ? std::wstring() : engine_.GetPPCInfo(id), result);
    } catch (...) {
        return S_OK;
    }
}

STDMETHODIMP COrvServer::EnableServer() {
    timer_.Start();
    return S_OK;
}

STDMETHODIMP COrvServer::ProcessDone(BSTR idPPC) {
    try {
        const DeviceId id = ParseDeviceId(BstrToWString(idPPC));
        if (!IsNilId(id)) engine_.ProcessDone(id);
    } catch (...) {
    }
    return S_OK;
}

STDMETHODIMP COrvServer::DisableServer() {
    if (timer_.Stop()) engine_.ClearReadyQueue();
    return S_OK;
}

STDMETHODIMP COrvServer::GetFieldPPCInfo(BSTR ppcInfo, BSTR name, BSTR* result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    try {
        return Answer(engine_.GetFieldPPCInfo(BstrToWString(ppcInfo), BstrToWString(name)), result);
    } catch (...) {
        return S_OK;
    }
}

STDMETHODIMP COrvServer::AddPPCId(BSTR idPPC) {
    try {
        const DeviceId id = ParseDeviceId(BstrToWString(idPPC));
        if (!IsNilId(id)) engine_.AddPPCId(id);
    } catch (...) {
    }
    return S_OK;
}

STDMETHODIMP COrvServer::ClearPPCId() {
    engine_.ClearPPCId();
    return S_OK;
}

STDMETHODIMP COrvServer::GetPPCInfoByIndex(long index, BSTR* result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    try {
        return Answer(engine_.GetPPCInfoByIndex(index), result);
    } catch (...) {
        return S_OK;
    }
}

STDMETHODIMP COrvServer::Version(BSTR* result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    try {
        return Answer(kVersion, result);
    } catch (...) {
        return S_OK;
    }
}

}  // namespace velmor

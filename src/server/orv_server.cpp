#include "server/orv_server.h"

#include "module/bstr_util.h"
#include "module/com_call.h"
#include "velmor_version.h"

namespace velmor {
namespace {

const wchar_t kVersion[] = VELMOR_VERSION_WTEXT;

using server::DeviceId;
using server::IsNilId;
using server::ParseDeviceId;

}  // namespace

COrvServer::COrvServer() { server::SetCurrentServer(&engine_); }

COrvServer::~COrvServer() {
    // Neither this object's timer nor another object's may tick into the
    // engine once it is gone.
    timer_.Stop();
    server::ForgetCurrentServer(&engine_);
}

STDMETHODIMP COrvServer::SetExchangeDir(BSTR dir) {
    return ActionCall([&] { engine_.SetExchangeDir(BstrToWString(dir)); });
}

STDMETHODIMP COrvServer::GetExchangeDir(BSTR* result) {
    return QuietTextCall(result, [&] { return engine_.ExchangeDir(); });
}

STDMETHODIMP COrvServer::GetPPCCount(long* result) {
    return ResultCall(result, 0L, [&] { return engine_.GetPPCCount(); });
}

STDMETHODIMP COrvServer::GetPPCInfo(BSTR ppcId, BSTR* result) {
    return QuietTextCall(result, [&] {
        const DeviceId id = ParseDeviceId(BstrToWString(ppcId));
        return IsNilId(id) ? std::wstring() : engine_.GetPPCInfo(id);
    });
}

STDMETHODIMP COrvServer::EnableServer() {
    return ActionCall([&] { timer_.Start(); });
}

STDMETHODIMP COrvServer::ProcessDone(BSTR idPPC) {
    return ActionCall([&] {
        const DeviceId id = ParseDeviceId(BstrToWString(idPPC));
        if (!IsNilId(id)) engine_.ProcessDone(id);
    });
}

STDMETHODIMP COrvServer::DisableServer() {
    return ActionCall([&] {
        if (timer_.Stop()) engine_.ClearReadyQueue();
    });
}

STDMETHODIMP COrvServer::GetFieldPPCInfo(BSTR ppcInfo, BSTR name, BSTR* result) {
    return QuietTextCall(result, [&] {
        return engine_.GetFieldPPCInfo(BstrToWString(ppcInfo), BstrToWString(name));
    });
}

STDMETHODIMP COrvServer::AddPPCId(BSTR idPPC) {
    return ActionCall([&] {
        const DeviceId id = ParseDeviceId(BstrToWString(idPPC));
        if (!IsNilId(id)) engine_.AddPPCId(id);
    });
}

STDMETHODIMP COrvServer::ClearPPCId() {
    return ActionCall([&] { engine_.ClearPPCId(); });
}

STDMETHODIMP COrvServer::GetPPCInfoByIndex(long index, BSTR* result) {
    return QuietTextCall(result, [&] { return engine_.GetPPCInfoByIndex(index); });
}

STDMETHODIMP COrvServer::Version(BSTR* result) {
    return QuietTextCall(result, [] { return std::wstring(kVersion); });
}

}  // namespace velmor

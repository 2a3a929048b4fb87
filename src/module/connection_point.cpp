#include "module/connection_point.h"

#include "module/com_call.h"
#include "module/com_enum.h"

namespace velmor {

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = source_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    container_->AddRef();
    *out = container_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    return HresultCall([&]() -> HRESULT {
        // A sink answers for the source interface; a host's generic sink (a script engine's)
        // may know only IDispatch, through which every event arrives anyway.
        ComPtr<IDispatch> dispatch;
        if (FAILED(sink->QueryInterface(source_, dispatch.receiveVoid())) &&
            FAILED(sink->QueryInterface(IID_IDispatch, dispatch.receiveVoid()))) {
            return CONNECT_E_CANNOTCONNECT;
        }
        const DWORD next = lastCookie_ + 1;
        connections_.push_back({next, ComPtr<IUnknown>(sink), dispatch});
        lastCookie_ = next;
        *cookie = next;
        return S_OK;
    });
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (it->cookie != cookie) continue;
        // The sink may be released only once it is off the list: its release may call back.
        Connection gone = std::move(*it);
        connections_.erase(it);
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return HresultCall([&] {
        std::vector<CONNECTDATA> items;
        items.reserve(connections_.size());
        for (const Connection& c : connections_) items.push_back({c.unknown.get(), c.cookie});
        return ConnectionsEnum::Create(items, 0, out);
    });
}

std::vector<ComPtr<IDispatch>> ConnectionPoint::Sinks() const {
    std::vector<ComPtr<IDispatch>> sinks;
    sinks.reserve(connections_.size());
    for (const Connection& c : connections_) sinks.push_back(c.sink);
    return sinks;
}

}  // namespace velmor

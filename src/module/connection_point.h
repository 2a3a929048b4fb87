// The connection point of an object's source interface: the sinks a host connected, in the
// order it connected them. It lives inside its object and shares the object's reference count.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <vector>

#include "module/com_ptr.h"

namespace velmor {

class ConnectionPoint final : public IConnectionPoint {
public:
    // container: the object this point belongs to, which outlives it.
    ConnectionPoint(const IID& source, IConnectionPointContainer* container) noexcept
        : source_(source), container_(container) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return container_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return container_->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override;

    const IID& source() const noexcept { return source_; }
    // The connected sinks as they are now, each with a reference of its own: a sink that
    // disconnects while the others are called is still called this time, and stays alive.
    std::vector<ComPtr<IDispatch>> Sinks() const;
    bool empty() const noexcept { return connections_.empty(); }

private:
    struct Connection {
        DWORD cookie;
        ComPtr<IUnknown> unknown;  // what the host gave, as EnumConnections returns it
        ComPtr<IDispatch> sink;
    };

    const IID source_;
    IConnectionPointContainer* container_;
    std::vector<Connection> connections_;
    DWORD lastCookie_ = 0;
};

}  // namespace velmor

// Base of a component that raises events: DispatchComponent plus the connection point of its
// source interface (IConnectionPointContainer) and the type information of its class
// (IProvideClassInfo2), through which hosts such as VBA, Delphi and 1C find the events.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "module/com_call.h"
#include "module/com_enum.h"
#include "module/dispatch_component.h"
#include "module/event_source.h"

namespace velmor {

// Clsid: the coclass, as the type library describes it; Source: its default source
// dispinterface.
template <class Iface, const IID* Iid, const CLSID* Clsid, const IID* Source, const IID*... Older>
class EventComponent : public DispatchComponent<Iface, Iid, Older...>,
                       public IConnectionPointContainer,
                       public IProvideClassInfo2 {
public:
    EventComponent() noexcept : events_(*Source, this) {}

    void* FindInterface(REFIID iid) noexcept {
        if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
            return static_cast<IConnectionPointContainer*>(this);
        }
        if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
            return static_cast<IProvideClassInfo2*>(this);
        }
        return DispatchComponent<Iface, Iid, Older...>::FindInterface(iid);
    }

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return HresultCall([&] {
            IConnectionPoint* point = &events_.point();
            return ConnectionPointsEnum::Create({point}, 0, out);
        });
    }

    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, *Source)) return CONNECT_E_NOCONNECTION;
        events_.point().AddRef();
        *out = &events_.point();
        return S_OK;
    }

    STDMETHODIMP GetClassInfo(ITypeInfo** out) override {
        if (!out) return E_POINTER;
        return CoclassTypeInfo(*Clsid, out);
    }

    STDMETHODIMP GetGUID(DWORD kind, GUID* out) override {
        if (!out) return E_POINTER;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
            *out = GUID_NULL;
            return E_INVALIDARG;
        }
        *out = *Source;
        return S_OK;
    }

protected:
    EventSource& events() noexcept { return events_; }

private:
    EventSource events_;
};

}  // namespace velmor

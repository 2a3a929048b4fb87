// Base of every component: serves IDispatch from the interface's registered type information.
// IUnknown is supplied by the object wrapper (com_object.h) around the component.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include "module/type_info_holder.h"

namespace velmor {

// Older: the interfaces Iface derives from below IDispatch (IOrvZip for IOrvZip2), which the
// same v-table serves.
template <class Iface, const IID* Iid, const IID*... Older>
class DispatchComponent : public Iface {
public:
    using Interface = Iface;
    static const IID& InterfaceId() noexcept { return *Iid; }

    virtual ~DispatchComponent() = default;

    // The interface map: IUnknown, the dual interface, the ones it derives from and IDispatch,
    // all served by one table.
    Iface* FindInterface(REFIID iid) noexcept {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, *Iid) || (IsEqualIID(iid, *Older) || ...)) {
            return this;
        }
        return nullptr;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }

    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        if (index != 0) return DISP_E_BADINDEX;
        if (!info) return E_POINTER;
        return TypeInfo().GetTI(lcid, info);
    }

    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        return TypeInfo().GetIDsOfNames(names, count, lcid, ids);
    }

    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excep, UINT* argErr) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        return TypeInfo().Invoke(this, id, flags, params, result, excep, argErr, lcid);
    }

    // One holder per interface for the whole process. Its constructor is constexpr, so the holder
    // is ready before any thread can ask for it.
    static TypeInfoHolder& TypeInfo() noexcept {
        static TypeInfoHolder holder(Iid);
        return holder;
    }
};

}  // namespace velmor

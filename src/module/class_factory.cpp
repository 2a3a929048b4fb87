#include "module/class_factory.h"

#include <new>

#include "module/module.h"

namespace velmor {

STDMETHODIMP CachedClassFactory::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CachedClassFactory::AddRef() {
    const LONG refs = InterlockedIncrement(&refs_);
    if (refs == 2) Module().Lock();
    return static_cast<ULONG>(refs);
}

STDMETHODIMP_(ULONG) CachedClassFactory::Release() {
    const LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) {
        delete this;
    } else if (refs == 1) {
        Module().Unlock();
    }
    return static_cast<ULONG>(refs);
}

STDMETHODIMP CachedClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    return creator_(outer, iid, out);
}

STDMETHODIMP CachedClassFactory::LockServer(BOOL lock) {
    if (lock) {
        Module().Lock();
    } else {
        Module().Unlock();
    }
    return S_OK;
}

HRESULT CachedClassFactory::Create(InstanceCreator creator, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* factory = new (std::nothrow) CachedClassFactory(creator);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(iid, out);
    if (FAILED(hr)) delete factory;
    return hr;
}

}  // namespace velmor

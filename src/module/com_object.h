// Object wrappers that give a component its reference counting and interface lookup:
// ComObject<T> for a stand-alone instance, ComAggObject<T> for one created inside an aggregate.
#pragma once
#include <windows.h>

#include <new>

#include "module/module.h"

namespace velmor {

// Set at the start of destruction so that references taken and dropped by the destructor
// cannot bring the count to zero a second time.
constexpr LONG kDestructionGuard = -1073741823;  // 0xC0000001

// The reference count of a component wrapper: plain arithmetic, since objects live in one
// apartment. At zero the count is set to the guard and the owner is destroyed with the module
// locked, so that the library cannot be unloaded while a destructor runs.
class WrapperRefCount {
public:
    ULONG AddRef() noexcept { return static_cast<ULONG>(++refs_); }
    template <class Destroy>
    ULONG Release(Destroy destroy) noexcept {
        const LONG refs = --refs_;
        if (refs == 0) {
            refs_ = kDestructionGuard;
            ModuleLock keepLoaded;
            destroy();
        }
        return static_cast<ULONG>(refs);
    }
    // Raised and lowered around the final construction step, without destroying.
    void FinalConstruct() noexcept {
        ++refs_;
        --refs_;
    }

private:
    LONG refs_ = 0;
};

template <class T>
class ComObject final : public T {
public:
    ComObject() { Module().Lock(); }
    ~ComObject() override { Module().Unlock(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = this->FindInterface(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return refs_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override {
        return refs_.Release([this] { delete this; });
    }
    void FinalConstruct() noexcept { refs_.FinalConstruct(); }

private:
    WrapperRefCount refs_;
};

// The component inside an aggregate: IUnknown goes to the controlling object.
template <class T>
class ComContainedObject final : public T {
public:
    explicit ComContainedObject(IUnknown* outer) : outer_(outer) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        return outer_->QueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return outer_->Release(); }

private:
    IUnknown* outer_;
};

// The inner unknown of an aggregated component.
template <class T>
class ComAggObject final : public IUnknown {
public:
    explicit ComAggObject(IUnknown* outer) : contained_(outer) { Module().Lock(); }
    virtual ~ComAggObject() { Module().Unlock(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        *out = contained_.FindInterface(iid);
        if (!*out) return E_NOINTERFACE;
        contained_.AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return refs_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override {
        return refs_.Release([this] { delete this; });
    }
    void FinalConstruct() noexcept { refs_.FinalConstruct(); }

private:
    WrapperRefCount refs_;
    ComContainedObject<T> contained_;
};

// The instance creator of component T (the class object's CreateInstance).
template <class T>
HRESULT CreateComponent(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    try {
        if (!outer) {
            auto* object = new (std::nothrow) ComObject<T>();
            if (!object) return E_OUTOFMEMORY;
            object->FinalConstruct();
            HRESULT hr = object->QueryInterface(iid, out);
            if (FAILED(hr)) delete object;
            return hr;
        }
        auto* object = new (std::nothrow) ComAggObject<T>(outer);
        if (!object) return E_OUTOFMEMORY;
        object->FinalConstruct();
        HRESULT hr = object->QueryInterface(iid, out);
        if (FAILED(hr)) delete object;
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace velmor

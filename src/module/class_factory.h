// The class object of every class: a factory bound to one instance creator, counted so that a
// client's reference keeps the library loaded while the cache's own reference does not.
#pragma once
#include <windows.h>
#include <unknwn.h>

namespace velmor {

using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID iid, void** out) noexcept;

class CachedClassFactory final : public IClassFactory {
public:
    explicit CachedClassFactory(InstanceCreator creator) noexcept : creator_(creator) {}
    virtual ~CachedClassFactory() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

    // Makes a class object for `creator` and hands out the requested interface.
    static HRESULT Create(InstanceCreator creator, REFIID iid, void** out) noexcept;

private:
    volatile LONG refs_ = 0;
    InstanceCreator creator_;
};

}  // namespace velmor

// Lazily loaded type information of one dual interface, with a name cache for GetIDsOfNames.
#pragma once
#include <oaidl.h>

#include <atomic>
#include <string>
#include <vector>

namespace velmor {

// One holder per interface serves every apartment of the process. The type information and its
// name cache are built together and published at once, complete; a reader that sees them never
// sees them change until the library is unloaded.
class TypeInfoHolder {
public:
    explicit constexpr TypeInfoHolder(const IID* iid) noexcept : iid_(iid) {}
    TypeInfoHolder(const TypeInfoHolder&) = delete;
    TypeInfoHolder& operator=(const TypeInfoHolder&) = delete;

    // The interface's type information with an added reference, loaded from the registered
    // type library on first use.
    HRESULT GetTI(LCID lcid, ITypeInfo** out) noexcept;
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) noexcept;
    HRESULT Invoke(IDispatch* self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excep, UINT* argErr, LCID lcid) noexcept;

    // Only for tests and benchmarks: answers a multi-name style lookup without the cache.
    HRESULT LookupWithoutCache(LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) noexcept;

private:
    struct CachedName {
        std::wstring name;
        DISPID id;
    };
    // What one load produces; never changed after it is published.
    struct Loaded {
        explicit Loaded(ITypeInfo* typeInfo) noexcept : info(typeInfo) {}
        ~Loaded() { info->Release(); }
        Loaded(const Loaded&) = delete;
        Loaded& operator=(const Loaded&) = delete;
        ITypeInfo* info;  // owned
        std::vector<CachedName> names;
    };

    // The published state, loading it first if need be.
    HRESULT Get(LCID lcid, const Loaded** out) noexcept;
    HRESULT Load(LCID lcid, const Loaded** out) noexcept;
    HRESULT LoadInterfaceInfo(LCID lcid, ITypeInfo** out) const noexcept;
    static void BuildNameCache(Loaded& loaded) noexcept;
    static void Cleanup(void* self) noexcept;

    const IID* iid_;
    std::atomic<Loaded*> loaded_{nullptr};
};

}  // namespace velmor

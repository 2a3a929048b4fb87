// Lazily loaded type information of one dual interface, with a name cache for GetIDsOfNames.
#pragma once
#include <oaidl.h>

#include <string>
#include <vector>

namespace velmor {

class TypeInfoHolder {
 public:
  explicit TypeInfoHolder(const IID* iid) noexcept : iid_(iid) {}
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
  HRESULT Load(LCID lcid) noexcept;
  void BuildNameCache() noexcept;
  static void Cleanup(void* self) noexcept;

  const IID* iid_;
  ITypeInfo* info_ = nullptr;
  std::vector<CachedName> names_;
};

}  // namespace velmor

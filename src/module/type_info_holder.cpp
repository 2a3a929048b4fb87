#include "module/type_info_holder.h"

#include <oleauto.h>

#include "module/com_ptr.h"
#include "module/module.h"

namespace velmor {

HRESULT TypeInfoHolder::Load(LCID lcid) noexcept {
  CVelmorCOMModule& module = Module();
  if (!module.initialised()) return E_UNEXPECTED;
  CriticalSectionLock lock(module.sharedDataLock());
  if (info_) return S_OK;
  ComPtr<ITypeLib> lib;
  HRESULT hr = LoadRegTypeLib(kLibId, kLibMajor, kLibMinor, lcid, lib.receive());
  if (hr == TYPE_E_LIBNOTREGISTERED && lcid != kLibLocale) {
    // The library is registered under its own locale only; a caller in another locale (or the
    // neutral one) still gets it.
    hr = LoadRegTypeLib(kLibId, kLibMajor, kLibMinor, kLibLocale, lib.receive());
  }
  if (FAILED(hr)) return hr;
  ComPtr<ITypeInfo> info;
  hr = lib->GetTypeInfoOfGuid(*iid_, info.receive());
  if (FAILED(hr)) return hr;
  // A dual interface is described twice; calls through the v-table need the interface half.
  TYPEATTR* attr = nullptr;
  if (SUCCEEDED(info->GetTypeAttr(&attr))) {
    const bool isDispatch = attr->typekind == TKIND_DISPATCH;
    info->ReleaseTypeAttr(attr);
    if (isDispatch) {
      HREFTYPE ref = 0;
      ComPtr<ITypeInfo> vtableInfo;
      if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref)) &&
          SUCCEEDED(info->GetRefTypeInfo(ref, vtableInfo.receive()))) {
        info = vtableInfo;
      }
    }
  }
  info_ = info.detach();
  BuildNameCache();
  module.AddTermFunc(&TypeInfoHolder::Cleanup, this);
  return S_OK;
}

void TypeInfoHolder::BuildNameCache() noexcept {
  TYPEATTR* attr = nullptr;
  if (FAILED(info_->GetTypeAttr(&attr))) return;
  const WORD count = attr->cFuncs;
  info_->ReleaseTypeAttr(attr);
  try {
    for (WORD i = 0; i < count; ++i) {
      FUNCDESC* desc = nullptr;
      if (FAILED(info_->GetFuncDesc(i, &desc))) continue;
      const MEMBERID id = desc->memid;
      info_->ReleaseFuncDesc(desc);
      BSTR name = nullptr;
      if (SUCCEEDED(info_->GetDocumentation(id, &name, nullptr, nullptr, nullptr)) && name) {
        names_.push_back({std::wstring(name, SysStringLen(name)), id});
        SysFreeString(name);
      }
    }
  } catch (...) {
    names_.clear();
  }
}

void TypeInfoHolder::Cleanup(void* self) noexcept {
  auto* holder = static_cast<TypeInfoHolder*>(self);
  holder->names_.clear();
  if (holder->info_) {
    holder->info_->Release();
    holder->info_ = nullptr;
  }
}

HRESULT TypeInfoHolder::GetTI(LCID lcid, ITypeInfo** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!info_) {
    HRESULT hr = Load(lcid);
    if (FAILED(hr)) return hr;
  }
  info_->AddRef();
  *out = info_;
  return S_OK;
}

HRESULT TypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid,
                                      DISPID* ids) noexcept {
  if (!names || !ids) return E_POINTER;
  if (!info_) {
    HRESULT hr = Load(lcid);
    if (FAILED(hr)) return hr;
  }
  if (count == 1 && names[0]) {
    const size_t len = wcslen(names[0]);
    for (size_t i = names_.size(); i-- > 0;) {
      const CachedName& cached = names_[i];
      if (cached.name.size() == len &&
          wmemcmp(cached.name.data(), names[0], len) == 0) {
        ids[0] = cached.id;
        return S_OK;
      }
    }
  }
  return info_->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoHolder::LookupWithoutCache(LPOLESTR* names, UINT count, LCID lcid,
                                           DISPID* ids) noexcept {
  if (!info_) {
    HRESULT hr = Load(lcid);
    if (FAILED(hr)) return hr;
  }
  return info_->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoHolder::Invoke(IDispatch* self, DISPID id, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* excep, UINT* argErr,
                               LCID lcid) noexcept {
  if (!info_) {
    HRESULT hr = Load(lcid);
    if (FAILED(hr)) return hr;
  }
  return info_->Invoke(self, id, flags, params, result, excep, argErr);
}

}  // namespace velmor

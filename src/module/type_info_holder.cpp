#include "module/type_info_holder.h"

#include <oleauto.h>

#include <memory>
#include <new>

#include "module/com_ptr.h"
#include "module/module.h"
#include "module/published_slot.h"

namespace velmor {

HRESULT TypeInfoHolder::LoadInterfaceInfo(LCID lcid, ITypeInfo** out) const noexcept {
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
    *out = info.detach();
    return S_OK;
}

HRESULT TypeInfoHolder::Load(LCID lcid, const Loaded** out) noexcept {
    CVelmorCOMModule& module = Module();
    if (!module.initialised()) return E_UNEXPECTED;
    CriticalSectionLock lock(module.sharedDataLock());
    if (const Loaded* published = Published(loaded_)) {
        *out = published;
        return S_OK;
    }
    ITypeInfo* info = nullptr;
    HRESULT hr = LoadInterfaceInfo(lcid, &info);
    if (FAILED(hr)) return hr;
    std::unique_ptr<Loaded> local(new (std::nothrow) Loaded(info));
    if (!local) {
        info->Release();
        return E_OUTOFMEMORY;
    }
    BuildNameCache(*local);
    // Registered before publication, so that whatever is published is also released at unload.
    if (!module.AddTermFunc(&TypeInfoHolder::Cleanup, this)) return E_OUTOFMEMORY;
    *out = Publish(loaded_, local.release(), [](Loaded* mine) { delete mine; });
    return S_OK;
}

HRESULT TypeInfoHolder::Get(LCID lcid, const Loaded** out) noexcept {
    *out = Published(loaded_);
    return *out ? S_OK : Load(lcid, out);
}

void TypeInfoHolder::BuildNameCache(Loaded& loaded) noexcept {
    ITypeInfo* info = loaded.info;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return;
    const WORD count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    try {
        for (WORD i = 0; i < count; ++i) {
            FUNCDESC* desc = nullptr;
            if (FAILED(info->GetFuncDesc(i, &desc))) continue;
            const MEMBERID id = desc->memid;
            info->ReleaseFuncDesc(desc);
            BSTR name = nullptr;
            if (SUCCEEDED(info->GetDocumentation(id, &name, nullptr, nullptr, nullptr)) && name) {
                std::wstring text(name, SysStringLen(name));
                SysFreeString(name);
                loaded.names.push_back({std::move(text), id});
            }
        }
    } catch (...) {
        // Without a cache every lookup goes to the type information itself.
        loaded.names.clear();
    }
}

void TypeInfoHolder::Cleanup(void* self) noexcept {
    auto* holder = static_cast<TypeInfoHolder*>(self);
    delete Unpublish(holder->loaded_);
}

HRESULT TypeInfoHolder::GetTI(LCID lcid, ITypeInfo** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    const Loaded* loaded = nullptr;
    HRESULT hr = Get(lcid, &loaded);
    if (FAILED(hr)) return hr;
    loaded->info->AddRef();
    *out = loaded->info;
    return S_OK;
}

HRESULT TypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid,
                                      DISPID* ids) noexcept {
    if (!names || !ids) return E_POINTER;
    const Loaded* loaded = nullptr;
    HRESULT hr = Get(lcid, &loaded);
    if (FAILED(hr)) return hr;
    if (count == 1 && names[0]) {
        const size_t len = wcslen(names[0]);
        for (size_t i = loaded->names.size(); i-- > 0;) {
            const CachedName& cached = loaded->names[i];
            if (cached.name.size() == len && wmemcmp(cached.name.data(), names[0], len) == 0) {
                ids[0] = cached.id;
                return S_OK;
            }
        }
    }
    return loaded->info->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoHolder::LookupWithoutCache(LPOLESTR* names, UINT count, LCID lcid,
                                           DISPID* ids) noexcept {
    const Loaded* loaded = nullptr;
    HRESULT hr = Get(lcid, &loaded);
    if (FAILED(hr)) return hr;
    return loaded->info->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoHolder::Invoke(IDispatch* self, DISPID id, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* excep, UINT* argErr,
                               LCID lcid) noexcept {
    const Loaded* loaded = nullptr;
    HRESULT hr = Get(lcid, &loaded);
    if (FAILED(hr)) return hr;
    return loaded->info->Invoke(self, id, flags, params, result, excep, argErr);
}

}  // namespace velmor

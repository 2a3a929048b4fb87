#include "dll/class_table.h"

#include "VelmorCOM_h.h"
#include "base/win/critical_section.h"
#include "crypto/orv_crypto.h"
#include "ftp/orv_ftp.h"
#include "gps/orv_gps.h"
#include "module/com_object.h"
#include "module/published_slot.h"
#include "server/orv_server.h"
#include "zip/orv_zip.h"

namespace velmor {
namespace {

const ClassInfo kClasses[kClassCount] = {
    {&CLSID_OrvCrypto, L"OrvCrypto", L"Velmor.Crypto.1", L"Velmor.Crypto", L"OrvCrypto Class",
     &CreateComponent<COrvCrypto>},
    {&CLSID_OrvFtp, L"OrvFtp", L"Velmor.Ftp.1", L"Velmor.Ftp", L"OrvFtp Class",
     &CreateComponent<COrvFtp>},
    {&CLSID_OrvGps, L"OrvGps", L"Velmor.OrvGps.1", L"Velmor.OrvGps", L"OrvGps Class",
     &CreateComponent<COrvGps>},
    {&CLSID_OrvServer, L"OrvServer", L"Velmor.OrvServer.1", L"Velmor.OrvServer", L"OrvServer Class",
     &CreateComponent<COrvServer>},
    {&CLSID_OrvZip, L"OrvZip", L"Velmor.Zip.1", L"Velmor.Zip", L"OrvZip Class",
     &CreateComponent<COrvZip>},
};

// The class object of each entry once made; a slot is written only with a finished object.
std::atomic<IUnknown*> g_cache[kClassCount] = {};

CriticalSection& TableLock() noexcept {
    static CriticalSection lock;
    return lock;
}

// Makes the class object of entry `index` unless another thread has made it meanwhile.
HRESULT CreateCachedClassObject(int index, IUnknown** out) noexcept {
    CriticalSectionLock lock(TableLock());
    std::atomic<IUnknown*>& slot = g_cache[index];
    *out = Published(slot);
    if (*out) return S_OK;
    void* made = nullptr;
    HRESULT hr = CachedClassFactory::Create(kClasses[index].createInstance, IID_IUnknown, &made);
    if (FAILED(hr)) return hr;
    *out = Publish(slot, static_cast<IUnknown*>(made), [](IUnknown* mine) { mine->Release(); });
    return S_OK;
}

}  // namespace

const ClassInfo& ClassAt(int index) noexcept { return kClasses[index]; }

bool InitClassTable() noexcept { return TableLock().ok(); }

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept {
    for (int i = 0; i < kClassCount; ++i) {
        if (!IsEqualCLSID(clsid, *kClasses[i].clsid)) continue;
        IUnknown* factory = Published(g_cache[i]);
        if (!factory) {
            HRESULT hr = CreateCachedClassObject(i, &factory);
            if (FAILED(hr)) return hr;
        }
        return factory->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void TermClassTable() noexcept {
    for (std::atomic<IUnknown*>& slot : g_cache) {
        if (IUnknown* factory = Unpublish(slot)) factory->Release();
    }
}

}  // namespace velmor

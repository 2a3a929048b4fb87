#include "module/class_table.h"

#include "VelmorCOM_h.h"
#include "crypto/orv_crypto.h"
#include "ftp/orv_ftp.h"
#include "gps/orv_gps.h"
#include "module/com_object.h"
#include "module/scoped_handle.h"
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
    {&CLSID_OrvServer, L"OrvServer", L"Velmor.OrvServer.1", L"Velmor.OrvServer",
     L"OrvServer Class", &CreateComponent<COrvServer>},
    {&CLSID_OrvZip, L"OrvZip", L"Velmor.Zip.1", L"Velmor.Zip", L"OrvZip Class",
     &CreateComponent<COrvZip>},
};

IUnknown* g_cache[kClassCount] = {};

CriticalSection& TableLock() noexcept {
  static CriticalSection lock;
  return lock;
}

}  // namespace

const ClassInfo& ClassAt(int index) noexcept { return kClasses[index]; }

bool InitClassTable() noexcept { return TableLock().ok(); }

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept {
  for (int i = 0; i < kClassCount; ++i) {
    if (!IsEqualCLSID(clsid, *kClasses[i].clsid)) continue;
    if (!g_cache[i]) {
      CriticalSectionLock lock(TableLock());
      if (!g_cache[i]) {
        void* unknown = nullptr;
        HRESULT hr =
            CachedClassFactory::Create(kClasses[i].createInstance, IID_IUnknown, &unknown);
        if (FAILED(hr)) return hr;
        g_cache[i] = static_cast<IUnknown*>(unknown);
      }
    }
    return g_cache[i]->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

void TermClassTable() noexcept {
  for (IUnknown*& slot : g_cache) {
    if (slot) {
      IUnknown* p = slot;
      slot = nullptr;
      p->Release();
    }
  }
}

}  // namespace velmor

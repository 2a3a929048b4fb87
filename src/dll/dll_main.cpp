// The library's entry points.
#include <windows.h>

#include "dll/class_table.h"
#include "dll/server_registration.h"
#include "module/module.h"

namespace {
bool g_loadFailed = false;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        velmor::SetModuleInstance(instance);
        DisableThreadLibraryCalls(instance);
        if (!velmor::Module().initialised() || !velmor::InitClassTable()) {
            g_loadFailed = true;
            return FALSE;
        }
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Freed by the host: release what the module caches. At process exit nothing is released.
        velmor::Module().Term();
        velmor::TermClassTable();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (g_loadFailed) return E_UNEXPECTED;
    return velmor::GetClassObject(clsid, iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return velmor::Module().LockCount() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return velmor::RegisterServer(); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return velmor::UnregisterServer(); }

extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR commandLine) {
    return velmor::InstallServer(install, commandLine);
}

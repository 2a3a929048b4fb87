#include "dll/server_registration.h"

#include <oleauto.h>

#include "dll/class_table.h"
#include "module/com_call.h"
#include "module/com_ptr.h"
#include "module/module.h"
#include "module/registrar.h"
#include "module/registry_backend.h"

namespace velmor {
namespace {

bool g_perUser = false;

// Restores the calling thread's locale on every way out.
class ThreadLocaleScope {
public:
    ThreadLocaleScope() noexcept : saved_(GetThreadLocale()) {
        SetThreadLocale(LOCALE_SYSTEM_DEFAULT);
    }
    ~ThreadLocaleScope() { SetThreadLocale(saved_); }
    ThreadLocaleScope(const ThreadLocaleScope&) = delete;
    ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

private:
    LCID saved_;
};

Win32RegistryBackend ClassesRoot() {
    if (g_perUser) return Win32RegistryBackend(HKEY_CURRENT_USER, L"Software\\Classes");
    return Win32RegistryBackend(HKEY_CLASSES_ROOT, L"");
}

// Loads TYPELIB 1 from the library, or from the .tlb beside it.
HRESULT LoadOwnTypeLib(ComPtr<ITypeLib>* lib, std::wstring* loadedFrom) {
    std::wstring path;
    HRESULT hr = ModulePath(&path);
    if (FAILED(hr)) return hr;
    hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib->receive());
    if (SUCCEEDED(hr)) {
        *loadedFrom = path;
        return hr;
    }
    const size_t slash = path.find_last_of(L"\\/");
    const size_t dot = path.find_last_of(L'.');
    std::wstring tlb = (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash))
                           ? path.substr(0, dot) + L".tlb"
                           : path + L".tlb";
    if (tlb.size() > MAX_PATH - 1) return E_FAIL;
    hr = LoadTypeLibEx(tlb.c_str(), REGKIND_NONE, lib->receive());
    if (SUCCEEDED(hr)) *loadedFrom = tlb;
    return hr;
}

using RegisterForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUserFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

FARPROC OleAutFunction(const char* name) {
    HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
    return oleaut ? GetProcAddress(oleaut, name) : nullptr;
}

HRESULT RegisterOwnTypeLib() {
    ComPtr<ITypeLib> lib;
    std::wstring location;
    HRESULT hr = LoadOwnTypeLib(&lib, &location);
    if (FAILED(hr)) return hr;
    if (g_perUser) {
        if (auto fn =
                reinterpret_cast<RegisterForUserFn>(OleAutFunction("RegisterTypeLibForUser"))) {
            return fn(lib.get(), &location[0], nullptr);
        }
    }
    return RegisterTypeLib(lib.get(), &location[0], nullptr);
}

HRESULT UnregisterOwnTypeLib() {
    ComPtr<ITypeLib> lib;
    std::wstring location;
    HRESULT hr = LoadOwnTypeLib(&lib, &location);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    const TLIBATTR a = *attr;
    lib->ReleaseTLibAttr(attr);
    if (g_perUser) {
        if (auto fn =
                reinterpret_cast<UnregisterForUserFn>(OleAutFunction("UnRegisterTypeLibForUser"))) {
            return fn(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
        }
    }
    return UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
}

HRESULT RunClassScript(int index, bool doRegister) {
    std::wstring path;
    HRESULT hr = ModulePath(&path);
    if (FAILED(hr)) return hr;
    Win32RegistryBackend registry = ClassesRoot();
    const RegScript script = BuildClassScript(ClassAt(index), path);
    return doRegister ? RegisterScript(registry, script) : UnregisterScript(registry, script);
}

}  // namespace

bool PerUserRegistration() noexcept { return g_perUser; }

HRESULT ModulePath(std::wstring* path) noexcept {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD len = GetModuleFileNameW(ModuleInstance(), buffer, MAX_PATH);
    if (len == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (len >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    return HresultCall([&] {
        path->assign(buffer, len);
        return S_OK;
    });
}

HRESULT RegisterServer() noexcept {
    return HresultCall([] {
        ThreadLocaleScope locale;
        // The AppID block is empty: nothing to write for it.
        for (int i = 0; i < kClassCount; ++i) {
            HRESULT hr = RunClassScript(i, true);
            if (FAILED(hr)) return hr;
        }
        return RegisterOwnTypeLib();
    });
}

HRESULT UnregisterServer() noexcept {
    return HresultCall([] {
        ThreadLocaleScope locale;
        for (int i = 0; i < kClassCount; ++i) {
            HRESULT hr = RunClassScript(i, false);
            if (FAILED(hr)) return hr;
        }
        return UnregisterOwnTypeLib();
    });
}

HRESULT InstallServer(BOOL install, const wchar_t* commandLine) noexcept {
    // "user" exactly, in any case.
    if (commandLine && _wcsnicmp(commandLine, L"user", 5) == 0) g_perUser = true;
    if (!install) return UnregisterServer();
    HRESULT hr = RegisterServer();
    if (FAILED(hr)) UnregisterServer();
    return hr;
}

}  // namespace velmor

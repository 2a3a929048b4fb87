// Loads the freshly built VelmorCOM.dll (bin/ beside tests-bin/) and finds its entry points.
#pragma once
#include <windows.h>

#include <string>

namespace velmor::test {

class LoadedLibrary {
public:
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using CanUnloadFn = HRESULT(WINAPI*)();
    using RegisterFn = HRESULT(WINAPI*)();
    using InstallFn = HRESULT(WINAPI*)(BOOL, LPCWSTR);

    LoadedLibrary() { Load(); }
    ~LoadedLibrary() {
        if (module_) FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    // Frees the library and loads it again, so its load-time state starts anew.
    void Reload() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
        Load();
    }

    static std::wstring Path() {
        wchar_t exe[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring path = exe;
        path = path.substr(0, path.find_last_of(L'\\'));  // tests-bin
        path = path.substr(0, path.find_last_of(L'\\'));  // build dir
        return path + L"\\bin\\VelmorCOM.dll";
    }

    bool loaded() const { return module_ != nullptr; }
    GetClassObjectFn getClassObject = nullptr;
    CanUnloadFn canUnloadNow = nullptr;
    RegisterFn registerServer = nullptr;
    RegisterFn unregisterServer = nullptr;
    InstallFn install = nullptr;

private:
    void Load() {
        module_ = LoadLibraryW(Path().c_str());
        if (!module_) return;
        getClassObject =
            reinterpret_cast<GetClassObjectFn>(GetProcAddress(module_, "DllGetClassObject"));
        canUnloadNow = reinterpret_cast<CanUnloadFn>(GetProcAddress(module_, "DllCanUnloadNow"));
        registerServer = reinterpret_cast<RegisterFn>(GetProcAddress(module_, "DllRegisterServer"));
        unregisterServer =
            reinterpret_cast<RegisterFn>(GetProcAddress(module_, "DllUnregisterServer"));
        install = reinterpret_cast<InstallFn>(GetProcAddress(module_, "DllInstall"));
    }
    HMODULE module_ = nullptr;
};

}  // namespace velmor::test

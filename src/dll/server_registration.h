// DllRegisterServer / DllUnregisterServer / DllInstall: the class entries and the type library,
// machine-wide or per user.
#pragma once
#include <windows.h>

#include <string>

namespace velmor {

HRESULT RegisterServer() noexcept;
HRESULT UnregisterServer() noexcept;
HRESULT InstallServer(BOOL install, const wchar_t* commandLine) noexcept;

// True once DllInstall was called with "user"; never reset while the library stays loaded.
bool PerUserRegistration() noexcept;

// The library's full path as the loader reports it; fails with 0x8007007A when it has 260
// characters or more.
HRESULT ModulePath(std::wstring* path) noexcept;

}  // namespace velmor

// The library's five classes, in registration order, with their class-object cache.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include "module/class_info.h"

namespace velmor {

constexpr int kClassCount = 5;
// OrvCrypto, OrvFtp, OrvGps, OrvServer, OrvZip.
const ClassInfo& ClassAt(int index) noexcept;

// DllGetClassObject: the cached class object of `clsid`, through `iid`.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept;
bool InitClassTable() noexcept;
// Releases the cached class objects (library unload).
void TermClassTable() noexcept;

}  // namespace velmor

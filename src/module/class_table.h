// The library's five classes, in registration order, with their class-object cache.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include "module/class_factory.h"

namespace velmor {

struct ClassInfo {
  const CLSID* clsid;
  const wchar_t* coclass;       // OrvZip
  const wchar_t* progId;        // Velmor.Zip.1
  const wchar_t* viProgId;      // Velmor.Zip
  const wchar_t* displayName;   // OrvZip Class
  InstanceCreator createInstance;
};

constexpr int kClassCount = 5;
// OrvCrypto, OrvFtp, OrvGps, OrvServer, OrvZip.
const ClassInfo& ClassAt(int index) noexcept;

// DllGetClassObject: the cached class object of `clsid`, through `iid`.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept;
bool InitClassTable() noexcept;
// Releases the cached class objects (library unload).
void TermClassTable() noexcept;

}  // namespace velmor

// What the frame needs to know of one class: its identity, its names and its instance creator.
#pragma once
#include <windows.h>

#include "module/class_factory.h"

namespace velmor {

struct ClassInfo {
    const CLSID* clsid;
    const wchar_t* coclass;      // OrvZip
    const wchar_t* progId;       // Velmor.Zip.1
    const wchar_t* viProgId;     // Velmor.Zip
    const wchar_t* displayName;  // OrvZip Class
    InstanceCreator createInstance;
};

}  // namespace velmor

// The instance handle of the binary whose resources the library uses: set by the library's
// entry point at load; null until then, which names the process's own executable (a test
// program linked with the resources).
#pragma once

#include <windows.h>

namespace velmor {

HINSTANCE ModuleInstance() noexcept;
void SetModuleInstance(HINSTANCE instance) noexcept;

}  // namespace velmor

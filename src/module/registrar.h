// Runs registration scripts against a registry backend.
#pragma once
#include <windows.h>

#include "module/registry_backend.h"
#include "module/registry_script.h"

namespace velmor {

// Writes the script's keys and values in order. Keys marked replaceOnRegister are deleted with
// everything below them first. If a write fails part-way, the script's entries are removed again
// and the failure is returned.
HRESULT RegisterScript(RegistryBackend& registry, const RegScript& script) noexcept;

// Removes, deepest first, every value and key the script names, except keys marked neverRemove.
// A key survives when subkeys that others added remain in it; a missing key is not an error.
HRESULT UnregisterScript(RegistryBackend& registry, const RegScript& script) noexcept;

}  // namespace velmor

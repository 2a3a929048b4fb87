#include "base/win/module_instance.h"

namespace velmor {
namespace {

HINSTANCE g_instance = nullptr;

}  // namespace

HINSTANCE ModuleInstance() noexcept { return g_instance; }

void SetModuleInstance(HINSTANCE instance) noexcept { g_instance = instance; }

}  // namespace velmor
